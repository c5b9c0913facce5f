// Inside the layer only: text conversions and the guarded call of a handler.
#pragma once

#include <QString>

#include "compat/ui/ui_types.h"

namespace compat::ui {

inline QString to_q(const text& t) { return QString::fromStdU16String(t); }
inline text from_q(const QString& s) { return s.toStdU16String(); }

}  // namespace compat::ui
