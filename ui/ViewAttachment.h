#pragma once

#include "platform/Document.h"

namespace tavik {

// A view's place in its document's view list: added by Attach, removed when the view goes, so
// that the document never calls a destroyed widget.
class CViewAttachment {
public:
    CViewAttachment() = default;
    ~CViewAttachment() { Detach(); }
    CViewAttachment(const CViewAttachment&) = delete;
    CViewAttachment& operator=(const CViewAttachment&) = delete;

    void Attach(CDocument& document, CView* view) {
        Detach();
        document.AddView(view);
        m_pDocument = &document;
        m_pView = view;
    }
    void Detach() {
        if (m_pDocument != nullptr) {
            m_pDocument->RemoveView(m_pView);
            m_pDocument = nullptr;
        }
    }
    CDocument* GetDocument() const { return m_pDocument; }

private:
    CDocument* m_pDocument = nullptr;
    CView* m_pView = nullptr;
};

}  // namespace tavik
