// The application object: its title, its font, and the one place where an
// error that escapes any event handler is shown to the user.
#pragma once

#include <QApplication>
#include <exception>
#include <stdexcept>
#include <functional>

namespace orvane::ui {

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error the way every unhandled error is shown.
    // Never throws: a box that cannot be shown is written to standard error.
    static void ShowException(const std::exception& error) noexcept;
};

// Runs an event handler; an error it raises ends it and is shown by the
// error report. Handlers are run through this, so that no error unwinds
// through the toolkit's own event delivery.
template <typename Handler>
void ReportErrors(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
    } catch (...) {
        // Not one of ours: still an error the user is told of, not a terminate().
        TApplication::ShowException(std::runtime_error("Unknown error"));
    }
}

// The message as the error report shows it: a full stop is added when the
// last character sorts after "." (a letter or digit, not a quote or bracket).
QString ErrorReportText(const QString& message);

// Centres the window's frame on the rectangle area() gives, now and once more
// when the window manager has put its frame around the window: before that
// the frame is not known and the first centring went by the client size.
void CentreFrame(QWidget* window, std::function<QRect()> area);

// "Text exceeds memo capacity": a list box cannot hold the text.
class EOutOfResources : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Tahoma 11 px; Debian's Wine copy of Tahoma is registered when the system
// has none, otherwise the default sans font stands in.
QFont ProgramFont(int pixelSize = 11, bool bold = false);

}  // namespace orvane::ui
