#include "DapReferences.h"

int64_t DapReferences::AddView(const GUID& filter) {
    DapContainer view;
    view.filter = filter;
    return Add(std::move(view));
}

int64_t DapReferences::Add(DapContainer container) {
    m_containers.push_back(std::move(container));
    return static_cast<int64_t>(m_containers.size());
}

const DapContainer* DapReferences::Find(int64_t reference) const {
    if (reference < 1 || reference > static_cast<int64_t>(m_containers.size())) return nullptr;
    return &m_containers[static_cast<size_t>(reference - 1)];
}
