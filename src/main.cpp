#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Mirev");
  Settings settings;
  CVeloDoc doc(settings);
  QString text = "TeX1";
  if (argc > 1) {
    FileResult r = ReadTextFile(argv[1], doc);
    text = r.Ok() ? QString("%1: %2 lines").arg(argv[1]).arg(doc.LineCount())
                  : QString("%1: cannot be read").arg(argv[1]);
  }
  window.setCentralWidget(new QLabel(text));
  window.statusBar()->showMessage(QString::fromUtf8("ﾚﾃﾞｨ"));
  window.resize(800, 600);
  window.show();
  return app.exec();
}
