#include "DapReferences.h"

int64_t DapReferences::AddView(const GUID& filter) {
    m_containers.push_back(DapContainer{orvel::ComPtr<IDebugProperty2>(), filter, false});
    return static_cast<int64_t>(m_containers.size());
}

int64_t DapReferences::AddProperty(IDebugProperty2* property, const GUID& filter, bool indexed) {
    DapContainer container;
    container.property = orvel::ComPtr<IDebugProperty2>(property);
    container.filter = filter;
    container.indexed = indexed;
    m_containers.push_back(std::move(container));
    return static_cast<int64_t>(m_containers.size());
}

const DapContainer* DapReferences::Find(int64_t reference) const {
    if (reference < 1 || reference > static_cast<int64_t>(m_containers.size())) return nullptr;
    return &m_containers[static_cast<size_t>(reference - 1)];
}
