#include "link/link_table.h"

#include <list>
#include <new>

#include "lynkor/aLinkSpec.h"

namespace lynkor::link {

namespace {

struct Table {
    aMutex* mutex = aMutex_Create("aLink_Managed");
    // Newest first.
    std::list<std::unique_ptr<LinkEntry>> entries;
    aLinkRef nextId = 1;
};

// Never destroyed: links still open when the process exits keep their threads until the end,
// and those must not find the table gone.
Table& s_table() {
    static Table* table = new Table;
    return *table;
}

class TableLock {
public:
    TableLock() { aMutex_Lock(s_table().mutex); }
    ~TableLock() { aMutex_Unlock(s_table().mutex); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
};

// Caller holds the table lock.
LinkEntry* s_find(aLinkRef id) {
    for (auto& entry : s_table().entries) {
        if (entry->id == id) {
            return entry.get();
        }
    }
    return nullptr;
}

// Made outside the table lock: a record makes its own mutexes.
std::unique_ptr<LinkEntry> s_newEntry(int32_t ident0, int32_t ident1, int32_t ident2, int type) {
    auto entry = std::unique_ptr<LinkEntry>(new (std::nothrow) LinkEntry);
    if (entry == nullptr) {
        return nullptr;
    }
    try {
        entry->link = std::make_shared<LinkRecord>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    entry->ident0 = ident0;
    entry->ident1 = ident1;
    entry->ident2 = ident2;
    entry->type = type;
    return entry;
}

// Caller holds the table lock.
aLinkRef s_insert(std::unique_ptr<LinkEntry> entry) {
    entry->id = s_table().nextId++;
    const aLinkRef id = entry->id;
    s_table().entries.push_front(std::move(entry));
    return id;
}

}  // namespace

aLinkRef sCreate(int32_t ident0, int32_t ident1, int type) {
    return sCreate2(ident0, ident1, 0, type);
}

aLinkRef sCreate2(int32_t ident0, int32_t ident1, int32_t ident2, int type) {
    std::unique_ptr<LinkEntry> entry = s_newEntry(ident0, ident1, ident2, type);
    if (entry == nullptr) {
        return 0;
    }
    TableLock lock;
    return s_insert(std::move(entry));
}

std::shared_ptr<LinkRecord> sLookupEntryByID(aLinkRef id) {
    if (id == 0) {
        return nullptr;
    }
    TableLock lock;
    LinkEntry* entry = s_find(id);
    return entry != nullptr ? entry->link : nullptr;
}

int sChangeUseCount(aLinkRef id, int delta) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    if (entry == nullptr) {
        return -1;
    }
    entry->useCount = static_cast<int16_t>(entry->useCount + delta);
    return entry->useCount;
}

std::unique_ptr<LinkEntry> sExtractEntry(aLinkRef id) {
    TableLock lock;
    auto& entries = s_table().entries;
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        if ((*entry)->id == id) {
            std::unique_ptr<LinkEntry> extracted = std::move(*entry);
            entries.erase(entry);
            return extracted;
        }
    }
    return nullptr;
}

aLinkRef sShareOrCreate(int32_t ident0, int32_t ident1, int32_t ident2, int type, bool& isNew) {
    isNew = false;
    // Made before the lock and dropped after it when an existing link is shared instead.
    std::unique_ptr<LinkEntry> entry = s_newEntry(ident0, ident1, ident2, type);
    TableLock lock;
    for (auto& existing : s_table().entries) {
        if (existing->ident0 == ident0 && existing->type == type) {
            if (existing->server != nullptr) {
                return 0;
            }
            ++existing->useCount;
            return existing->id;
        }
    }
    if (entry == nullptr) {
        return 0;
    }
    isNew = true;
    return s_insert(std::move(entry));
}

std::unique_ptr<LinkEntry> sReleaseHolder(aLinkRef id, bool& found) {
    // Under one lock: no other creator can take a holder between the count reaching zero and the
    // entry leaving the table.
    TableLock lock;
    LinkEntry* entry = id != 0 ? s_find(id) : nullptr;
    found = entry != nullptr;
    if (!found || --entry->useCount > 0) {
        return nullptr;
    }
    return sExtractEntry(id);
}

bool sIdentity(aLinkRef id, int32_t& ident0, int32_t& ident1, int32_t& ident2, int& type) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    if (entry == nullptr) {
        return false;
    }
    ident0 = entry->ident0;
    ident1 = entry->ident1;
    ident2 = entry->ident2;
    type = entry->type;
    return true;
}

bool sAttachServer(aLinkRef id, std::unique_ptr<LinkServerHandle> server) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    const bool servable = entry != nullptr && entry->server == nullptr && entry->useCount == 1 &&
                          (entry->type == USB || entry->type == TCPIP || entry->type == SERIAL);
    if (!servable) {
        return false;
    }
    entry->server = std::move(server);
    return true;
}

std::unique_ptr<LinkServerHandle> sDetachServer(aLinkRef id) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    return entry != nullptr ? std::move(entry->server) : nullptr;
}

bool sHasServer(aLinkRef id) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    return entry != nullptr && entry->server != nullptr;
}

bool sSetDeviceLink(aLinkRef id, aLinkRef deviceLink) {
    TableLock lock;
    LinkEntry* entry = s_find(id);
    if (entry == nullptr) {
        return false;
    }
    entry->deviceLink = deviceLink;
    return true;
}

}  // namespace lynkor::link
