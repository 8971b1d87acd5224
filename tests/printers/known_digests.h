#pragma once

// Digests computed outside this code (printf '…' | sha256sum), shared by the
// printer tests.
namespace ks::printers::known {

// name=OFFICE LASER\ndriver=HP UNIVERSAL PRINTING PCL 6\nport=IP_192.168.1.20\n
inline constexpr char kOfficeLaserId[] = "8e082f8560fa3403e8bcb23a09cf81560e16617898ce3bce1157b3e87b017a07";
// name=PDF\ndriver=PDF\nport=CUPS:PDF\n
inline constexpr char kPdfId[] = "1a7240a9306d8db54dee805506d17f35b7a221f487e32e990c3691028161629f";

}  // namespace ks::printers::known
