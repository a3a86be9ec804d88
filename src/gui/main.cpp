#include "gui/control/application.h"

int main(int argc, char** argv) {
    CTVQ418ControlApp app(argc, argv);
    return app.run();
}
