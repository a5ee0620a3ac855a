#pragma once

// USB emulation: devices that a simulator serves in the emulated bus directory (named by the
// environment variable LYNKOR_USB_EMULATION or by aEmulation_Select), for machines without the
// hardware. HID devices share the directory and the handshake (hid_emulation.h).
//
// The directory. Every Unix-domain socket of type SOCK_SEQPACKET in it whose name ends in
// ".usb" is one device on the bus. A device that leaves the bus (unplugged, restarting) removes
// its socket; when it comes back it binds it anew. A socket file nobody listens on is a device
// that is not there.
//
// The wire. Each message is one record:
//   host -> device  "QUERY"  device -> host  "OK " descriptor; the device then closes.
//   host -> device  "CLAIM"  device -> host  "OK " descriptor, or "BUSY " descriptor when
//                   another host holds the device (the device then closes).
//   After "OK" to a claim the connection is the claimed vendor interface:
//   host -> device  any message is one bulk OUT transfer, its bytes as they are;
//   device -> host  any message is one bulk IN transfer of at most one bulk packet.
//   Empty messages are not used: an empty read means that the other side has gone.
//   The host closing the connection releases the interface; the device closing it is the
//   device leaving the bus.
// The descriptor: space-separated fields, the serial-number string last so that it runs to
// the end of the message:
//   vid=3a7c pid=0012 vendor_interface=1 packet_size=512 held=0 serial=RFICB1234.A
// (ids in hexadecimal, the packet size in decimal, flags 0 or 1).

namespace lynkor::platform {

constexpr const char* kUsbEmulationSuffix = ".usb";

}  // namespace lynkor::platform
