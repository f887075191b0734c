// tqv-multibuf: the interactive test panel of the TQV5200-1 card.
#include <QApplication>
#include <QCommandLineParser>

#include "app/PanelApplication.h"
#include "window/qt/PanelFonts.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Message boxes too need the Chinese glyphs.
    QApplication::setFont(tqv::window::qt::panelFont());

    QCommandLineParser options;
    const QCommandLineOption scope(QStringLiteral("scope"),
                                   QStringLiteral("Open the scope beside the panel at start."));
    options.addOption(scope);
    options.process(application);

    tqv::app::PanelApplication panel;
    if (!panel.open()) return tqv::app::PanelApplication::LibraryFailureStatus;
    if (options.isSet(scope)) panel.openScope();
    return QApplication::exec();
}
