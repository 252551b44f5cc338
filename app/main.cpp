// Orvane's start-up: the application, its title, the main window, the
// hidden About window, the message loop.
#include "Application.h"
#include "unAbout.h"
#include "unMain.h"

int main(int argc, char** argv) {
    orvane::ui::TApplication application(argc, argv);
    orvane::ui::TfmMain fmMain;
    orvane::ui::TfmAbout fmAbout(&fmMain);  // hidden until asked for; its caption is fixed now
    fmMain.SetAboutWindow(&fmAbout);
    fmMain.show();
    return application.exec();
}
