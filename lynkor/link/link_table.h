#pragma once

// The process-wide table of links ("aLink_Managed"): ids, transport identities and holder
// counts. Every operation holds the table's mutex for its whole walk and nothing else.
#include <cstdint>
#include <memory>

#include "link/link_record.h"

namespace lynkor::link {

// A device server attached to a link; it goes with the link.
class LinkServerHandle {
public:
    virtual ~LinkServerHandle() = default;
};

// Transport kinds as the table records them: linkType values, 0 for a caller's stream.
constexpr int kEntryTypeStream = 0;
constexpr int kEntryTypeClient = 4;

struct LinkEntry {
    aLinkRef id = 0;
    aLinkRef deviceLink = 0;
    std::unique_ptr<LinkServerHandle> server;
    int32_t ident0 = 0;
    int32_t ident1 = 0;
    int32_t ident2 = 0;
    int type = 0;
    int16_t useCount = 1;
    std::shared_ptr<LinkRecord> link;
};

// A new entry with one holder and a fresh, zeroed record; answers its id (0 when memory is
// short).
aLinkRef sCreate(int32_t ident0, int32_t ident1, int type);
aLinkRef sCreate2(int32_t ident0, int32_t ident1, int32_t ident2, int type);
// The record of a link, or null.
std::shared_ptr<LinkRecord> sLookupEntryByID(aLinkRef id);
// Adds `delta` holders; answers the new count, or -1 for an unknown id.
int sChangeUseCount(aLinkRef id, int delta);
// Unlinks the entry from the table and hands it over, or null.
std::unique_ptr<LinkEntry> sExtractEntry(aLinkRef id);

// Takes one more holder of the link of this identity and type, or else makes a new entry with
// one holder (`isNew` set: the caller sets it up), in one walk under one lock, so that callers
// asking for the same device at once share one link. 0 when the link exists but must not be
// shared (a device server owns it), or when memory is short.
aLinkRef sShareOrCreate(int32_t ident0, int32_t ident1, int32_t ident2, int type, bool& isNew);
// Releases one holder; when it was the last, takes the entry out of the table and hands it
// over (null otherwise). `found` tells an unknown id apart.
std::unique_ptr<LinkEntry> sReleaseHolder(aLinkRef id, bool& found);
// The entry's transport identity and type, for aLink_Reset; false for an unknown id.
bool sIdentity(aLinkRef id, int32_t& ident0, int32_t& ident1, int32_t& ident2, int& type);

// For the device server: attach it to a link, and tie a client link to its device link.
// A server takes every answer of its link, so it is attached only to a USB, TCP/IP or serial
// link that has no other holder and no server yet; false otherwise (the server is then dropped).
bool sAttachServer(aLinkRef id, std::unique_ptr<LinkServerHandle> server);
// Takes the server off its link again and hands it over.
std::unique_ptr<LinkServerHandle> sDetachServer(aLinkRef id);
bool sHasServer(aLinkRef id);
bool sSetDeviceLink(aLinkRef id, aLinkRef deviceLink);

}  // namespace lynkor::link
