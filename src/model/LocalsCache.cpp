#include "model/LocalsCache.h"

#include <cstring>
#include <new>

#include "host/HostSymbols.h"

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (UpperAscii(*a) != UpperAscii(*b)) return false;
    return *a == *b;
}

} // namespace

LocalsCache::LocalsCache() : m_buckets() {}

LocalsCache::~LocalsCache() {
    for (Node*& head : m_buckets) {
        while (Node* node = head) {
            head = node->Next;
            delete[] node->Name;
            delete node;
        }
    }
}

unsigned LocalsCache::BucketOf(const char* Name) {
    unsigned sum = 0;
    for (const char* c = Name; c && *c; ++c)
        sum += static_cast<unsigned char>(UpperAscii(*c));
    return sum % BucketCount;
}

bool LocalsCache::Add(const char* Name, IDebugField* Field) {
    if (!Name) return false;
    const size_t length = std::strlen(Name);
    char* copy = new (std::nothrow) char[length + 1];
    if (!copy) return false;
    std::memcpy(copy, Name, length + 1);
    Node* node = new (std::nothrow) Node{nullptr, copy, orvel::ComPtr<IDebugField>(Field)};
    if (!node) {
        delete[] copy;
        return false;
    }
    Node*& head = m_buckets[BucketOf(Name)];
    node->Next = head;
    head = node;
    ++Entries;
    return true;
}

IDebugField* LocalsCache::Find(const char* Name) {
    if (Name) {
        for (Node* node = m_buckets[BucketOf(Name)]; node; node = node->Next) {
            if (SameName(node->Name, Name)) {
                ++Hits;
                return node->Field.get();
            }
        }
    }
    ++Misses;
    return nullptr;
}
