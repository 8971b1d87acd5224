#include "app/ro_apartment.h"

#include <roapi.h>

namespace ks::app {

RoApartment::RoApartment() noexcept : result_(::RoInitialize(RO_INIT_MULTITHREADED)) {}

RoApartment::~RoApartment() {
    if (SUCCEEDED(result_)) ::RoUninitialize();
}

}  // namespace ks::app
