#pragma once

#include <windows.h>

namespace ks::app {

// Makes the calling thread, the UI thread, a single-threaded apartment with
// OLE for the life of the object: the shell's dialogs that run on it (the
// save dialog, a driver's printer properties) expect one, and lose folders,
// drag and drop or fail in a multithreaded one. OleUninitialize runs only
// when OleInitialize succeeded (S_FALSE included); a thread already in the
// multithreaded apartment (RPC_E_CHANGED_MODE) stays there. A failure is not
// fatal: the service runs on without the apartment. Every other thread that
// uses COM joins the multithreaded apartment itself.
class OleApartment {
public:
    OleApartment() noexcept;
    ~OleApartment();

    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;

private:
    HRESULT result_;
};

}  // namespace ks::app
