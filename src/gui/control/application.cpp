#include "gui/control/application.h"

#include <QTimer>

#include "gui/control/main_window.h"
#include "gui/ui/painted_icon.h"

CTVQ418ControlApp::CTVQ418ControlApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("TVQ418Control"));
    setApplicationDisplayName(QStringLiteral("TVQ418Control"));
    setApplicationVersion(QStringLiteral("2.84"));
    setWindowIcon(paintedIcon(PaintedImage::AppIcon));
}

int CTVQ418ControlApp::run() {
    CTVQ418ControlDlg window;
    // Settings and auto-connect come after the window is on screen: the wait box and the
    // cascade dialog need it as their parent.
    QTimer::singleShot(0, &window, &CTVQ418ControlDlg::readSettings);
    window.exec();
    return 0;
}
