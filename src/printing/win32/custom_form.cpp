#include "printing/win32/custom_form.h"

#include <fmt/xchar.h>

#include <memory>

#include "platform/win32/gdi_handles.h"
#include "protocol/error_catalog.h"

namespace ks::printing {
namespace {

namespace codes = protocol::codes;
namespace messages = protocol::messages;

// FORM_INFO_1W sizes are in thousandths of a millimetre.
constexpr LONG kThousandthsPerTenth = 100;

enum class FormState { Absent, Present };

template <typename... Args>
Error driverRejected(std::wstring_view format, const Args&... args) {
    return Error(codes::kDriverRejected, fmt::format(fmt::runtime(format), args...));
}

Result<FormState> findForm(const GdiPrintFunctions& functions, HANDLE printer, const std::wstring& printerName,
                           const std::wstring& formName, const SIZEL& size) {
    std::wstring name = formName;  // GetFormW takes a non-const name
    DWORD needed = 0;
    if (functions.getForm(printer, name.data(), 1, nullptr, 0, &needed)) return FormState::Absent;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return FormState::Absent;
    if (error != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(FORM_INFO_1W)) {
        return driverRejected(messages::kFormUncheckable, printerName, formName, error);
    }
    // new[] aligns for FORM_INFO_1W; the strings it points to follow it.
    const auto buffer = std::make_unique<std::byte[]>(needed);
    if (!functions.getForm(printer, name.data(), 1, reinterpret_cast<LPBYTE>(buffer.get()), needed, &needed)) {
        const DWORD readError = ::GetLastError();
        return driverRejected(messages::kFormUnreadable, printerName, formName, readError);
    }
    const auto& form = *reinterpret_cast<const FORM_INFO_1W*>(buffer.get());
    if (form.Size.cx != size.cx || form.Size.cy != size.cy) {
        return driverRejected(messages::kFormSizeConflict, formName, form.Size.cx / 1000.0, form.Size.cy / 1000.0,
                              size.cx / 1000.0, size.cy / 1000.0);
    }
    return FormState::Present;
}

}  // namespace

Result<void> ensureCustomForm(const GdiPrintFunctions& functions, HANDLE printer, const std::wstring& printerName,
                              const std::wstring& formName, int widthTenths, int heightTenths) {
    const SIZEL size{widthTenths * kThousandthsPerTenth, heightTenths * kThousandthsPerTenth};
    auto state = findForm(functions, printer, printerName, formName, size);
    if (!state) return std::move(state).error();
    if (state.value() == FormState::Present) return {};

    std::wstring queue = printerName;  // OpenPrinterW takes a non-const name
    PRINTER_DEFAULTSW administer{nullptr, nullptr, PRINTER_ACCESS_ADMINISTER};
    HANDLE handle = nullptr;
    if (!functions.openPrinter(queue.data(), &handle, &administer)) {
        const DWORD error = ::GetLastError();
        return driverRejected(messages::kFormAdminOpenFailed, printerName, formName, error);
    }
    const platform::PrinterHandleOwner admin(handle, functions.closePrinter);

    std::wstring name = formName;
    FORM_INFO_1W form{FORM_USER, name.data(), size, RECTL{0, 0, size.cx, size.cy}};
    if (!functions.addForm(admin.get(), 1, reinterpret_cast<LPBYTE>(&form))) {
        const DWORD error = ::GetLastError();
        // Another process may have registered it between our check and now.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return driverRejected(messages::kFormRegistrationFailed, printerName, formName, widthTenths / 10.0,
                                  heightTenths / 10.0, error);
        }
    }
    return {};
}

}  // namespace ks::printing
