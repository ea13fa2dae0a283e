#pragma once
// The pictures of the ripper's buttons, by their resource number.

#include <QIcon>

namespace brenlow {

/// The icon of resource `resource` (a null icon for an unknown number).
QIcon resourceIcon(int resource);

} // namespace brenlow
