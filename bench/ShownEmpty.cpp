// The start-up baseline: the least a Qt dialog program does before its window is on screen.

#include <QApplication>
#include <QDialog>

#include "ShownProbe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dlg;
    const ShownProbe probe(dlg);
    dlg.exec();
    return 0;
}
