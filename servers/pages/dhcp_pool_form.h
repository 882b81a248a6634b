#pragma once
// The rules of the DHCP pool dialog and of the page's lists, apart from their windows: what
// each field shows for a pool, how the typed texts become a pool (or which message refuses
// them), and the texts of a pool row and of a lease row.
#include <QString>
#include <QStringList>

#include "config/dhcp_pool.h"

struct dhcp_lease_info;

// The pool dialog's texts. For a dynamic pool `address` is the start address and `second` the
// number of addresses; for a static pool they are the address and the hardware address.
struct dhcp_pool_form {
  bool dynamic = true;
  QString address;        // 344
  QString second;         // 345
  QString lease_minutes;  // 346
  QString boot_file;      // 347
  QString subnet;         // 348
  QString router;         // 349
};

// The texts that show `pool`; addresses that are 0 and an empty boot file show as empty fields.
dhcp_pool_form form_of(const dhcp_pool& pool);

// Reads the form into `pool`, checking the fields in order; the message that refuses the first
// bad one, or an empty text when `pool` holds the form. An emptied boot file, subnet mask or
// router field clears that value.
QString read_form(const dhcp_pool_form& form, dhcp_pool& pool);

// A pool row: "dynamic" or "static", the range or the address and hardware address, and the
// lease time in minutes.
QStringList pool_row(const dhcp_pool& pool);

// A lease row: the address, the hardware address, and the allocation and renewal times (empty
// while 0).
QStringList lease_row(const dhcp_lease_info& lease);
