#pragma once

// The two threads of a running link.
#include <memory>

#include "link/link_record.h"

namespace lynkor::link {

// The reader: assembles incoming bytes into packets, keeps the stream in step with the device,
// answers heartbeats and queues the rest.
void sInPipeProcess(std::shared_ptr<LinkRecord> link, std::shared_ptr<LinkSession> session);
// The writer: sends what the application queues, and after a stop what is still queued.
void sOutPipeProcess(std::shared_ptr<LinkRecord> link, std::shared_ptr<LinkSession> session);

// Answers a heartbeat from the device on the session's outbound queue; false for any other
// packet.
bool sHandleHBBackChannel(LinkSession& session, const aPacket* packet);

}  // namespace lynkor::link
