// tqv-multibuf: the interactive test panel of the TQV5200-1 card.
#include <QApplication>

#include "app/PanelApplication.h"
#include "window/qt/PanelFonts.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Message boxes too need the Chinese glyphs.
    QApplication::setFont(tqv::window::qt::panelFont());

    tqv::app::PanelApplication panel;
    if (!panel.open()) return tqv::app::PanelApplication::LibraryFailureStatus;
    return QApplication::exec();
}
