#include "platform/Document.h"

#include <algorithm>

namespace tavik {

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void CDocument::RemoveView(CView* view) {
    std::erase(m_views, view);
}

void CDocument::UpdateAllViews(CView* sender, long hint, void* object) {
    // A view may add or remove views while handling a hint: walk a snapshot.
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view != sender) {
            view->OnUpdate(sender, hint, object);
        }
    }
}

}  // namespace tavik
