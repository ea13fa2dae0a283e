#include "platform/mac/mac_library.h"

namespace quandor::mac {

QString describe(Result result)
{
    switch (result) {
    case Result::Success:
        return QStringLiteral("success");
    case Result::ReadFailed:
        return QStringLiteral("the input file cannot be read");
    case Result::WriteFailed:
        return QStringLiteral("the output file cannot be written");
    case Result::InvalidInput:
        return QStringLiteral("the input file is not valid");
    case Result::Unsupported:
        return QStringLiteral("the input format is not supported");
    case Result::Stopped:
        return QStringLiteral("stopped by the user");
    case Result::NotImplemented:
        return QStringLiteral("not implemented");
    }
    return QStringLiteral("unknown error");
}

} // namespace quandor::mac
