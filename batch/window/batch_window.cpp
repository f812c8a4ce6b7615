#include "batch_window.h"

namespace batchui {

void OpenBatchWindow(QWidget &, const Target &, const QString &) {}

} // namespace batchui
