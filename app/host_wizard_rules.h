#pragma once
// The rules of the new host wizard, apart from its widgets: which page follows which, what each
// page stores into the record from its controls, and which wizard buttons it offers.
#include <string>
#include <string_view>

#include "config/session_record.h"

// The wizard's pages, in the order they are added to the sheet.
enum host_wizard_page : int {
  page_protocol = 0,
  page_serial = 1,
  page_ssh2 = 2,
  page_telnet = 3,
  page_host_name = 4,
};

// The wizard buttons a page offers, combined with '|'; every value a page offers keeps Cancel.
enum wizard_button : int {
  PSWIZB_BACK = 0x1,
  PSWIZB_NEXT = 0x2,
  PSWIZB_FINISH = 0x4,
  PSWIZB_CANCEL = 0x10,
};
constexpr int buttons_next = PSWIZB_NEXT | PSWIZB_CANCEL;                       // 0x12
constexpr int buttons_back_next = PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_CANCEL;    // 0x13
constexpr int buttons_back = PSWIZB_BACK | PSWIZB_CANCEL;                       // 0x11
constexpr int buttons_back_finish = PSWIZB_BACK | PSWIZB_FINISH | PSWIZB_CANCEL;  // 0x15

// The page after `page` for a record of `protocol`; -1 after the host-name page (and for a
// protocol without a page).
int host_wizard_next_page(int page, int protocol);

// Each page's store: when its input is complete the record takes the values and the page
// offers Back and Next; otherwise the record is left alone and the page offers Back only.
// Host texts lose their trailing blanks; a port must be a number from 1 to 65535.
int store_ssh2_page(session_record& record, std::u16string_view host, std::u16string_view port,
                    std::u16string_view user, bool open_as_explorer);
int store_telnet_page(session_record& record, std::u16string_view host, std::u16string_view port);
// `com_port` and `baudrate` as the serial combo boxes read them (0 for an unusable text).
int store_serial_page(session_record& record, unsigned com_port, int baudrate, int databits, int parity,
                      int stopbits);

// The name a new host is offered: its own when it has one, else the chosen protocol's title.
std::u16string proposed_host_name(const session_record& record);
// Finish is offered once the name holds more than blanks.
int host_name_buttons(std::u16string_view name);
// Finish: the name as typed (trailing blanks included); the explorer view only for SSH2.
void finish_host(session_record& record, std::u16string_view name);
