#pragma once

#include <string>
#include <vector>

namespace tavik {

class CView;

// A document with a list of views that learn of changes through numbered hints.
class CDocument {
public:
    virtual ~CDocument() = default;

    void AddView(CView* view);
    void RemoveView(CView* view);
    // Calls OnUpdate on every view except `sender`, on the calling (user-interface) thread.
    void UpdateAllViews(CView* sender, long hint = 0, void* object = nullptr);

    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path) { m_strPathName = path; }
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title) { m_strTitle = title; }

private:
    std::vector<CView*> m_views;
    bool m_bModified = false;
    std::string m_strPathName;
    std::string m_strTitle;
};

class CView {
public:
    virtual ~CView() = default;
    virtual void OnUpdate(CView* sender, long hint, void* object) = 0;
};

}  // namespace tavik
