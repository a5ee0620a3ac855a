#pragma once

// HID emulation: HID devices that a simulator serves in the emulated bus directory, beside the
// emulated USB devices, with the same directory rules, handshake and descriptor as those
// (usb_emulation.h). What differs:
//   - the sockets' names end in ".hid";
//   - the descriptor's vendor_interface is 0 and its packet_size is the largest input report the
//     device sends, report ID included;
//   - opening the device is the "CLAIM" handshake; the host "opens the first device" with the
//     vendor and product ids by trying the sockets in the order of their names;
//   - after "OK" to a claim, each message is one report, its report ID as the first byte:
//     host -> device an output report, device -> host an input report.
// Example descriptor: vid=1fc9 pid=0130 vendor_interface=0 packet_size=65 held=0 serial=

namespace lynkor::platform {

constexpr const char* kHidEmulationSuffix = ".hid";

}  // namespace lynkor::platform
