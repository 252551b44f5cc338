// Orvane's start-up: the application, its title, the main window, the
// hidden About window, the message loop.
#include "Application.h"
#include "unMain.h"

int main(int argc, char** argv) {
    orvane::ui::TApplication application(argc, argv);
    orvane::ui::TfmMain fmMain;
    fmMain.show();
    return application.exec();
}
