#include "app/ole_apartment.h"

#include <ole2.h>

namespace ks::app {

OleApartment::OleApartment() noexcept : result_(::OleInitialize(nullptr)) {}

OleApartment::~OleApartment() {
    if (SUCCEEDED(result_)) ::OleUninitialize();
}

}  // namespace ks::app
