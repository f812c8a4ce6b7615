#pragma once

namespace framework {

// Screen windows read as windows and picture boxes that take clicks as
// buttons a screen reader can press; call once after the QApplication exists.
void InstallAccessibility();

} // namespace framework
