#include "batch_window.h"

namespace batchui {

void OpenBatchWindow(QWidget &, const Target &, const QString &) {}

std::optional<int> RunCommandLine(int, char **, const QString &)
{
    return std::nullopt;
}

} // namespace batchui
