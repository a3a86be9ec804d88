#pragma once
// The application object: sets the program up, opens the main window and runs until it closes.

#include <QApplication>

class CTVQ418ControlApp final : public QApplication {
    Q_OBJECT
public:
    CTVQ418ControlApp(int& argc, char** argv);

    // Opens the main window, finishes its start-up once it shows, and returns when it closes.
    int run();
};
