#pragma once
// Where users of cendrel send their suggestions; shown in the converter's
// author line.

#include <QString>

namespace cendrel {

inline const QString kContactEmail = QStringLiteral("tavin@example.com");

} // namespace cendrel
