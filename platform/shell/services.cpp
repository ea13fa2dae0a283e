#include "platform/shell/services.h"

#include "platform/shell/qt_services.h"

namespace quandor::shell {
namespace {
Services* installed = nullptr;
}

Services& services()
{
    static QtServices real;
    return installed ? *installed : real;
}

void setServices(Services* replacement)
{
    installed = replacement;
}

} // namespace quandor::shell
