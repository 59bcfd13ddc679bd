#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include "base/Settings.h"
#include "doc/CVeloDoc.h"
#include "doc/TextFile.h"
#include "platform/ViewWidget.h"

// One document in one view until the application shell takes over.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Mirev");
  Settings settings;
  CVeloDoc doc(settings);
  if (argc > 1) {
    const FileResult r = ReadTextFile(argv[1], doc);
    if (r.Ok()) {
      window.setWindowTitle(QString::fromLocal8Bit(argv[1]) + " - Mirev");
    } else {
      QMessageBox::warning(nullptr, "Mirev",
                           QString("%1: cannot be read").arg(QString::fromLocal8Bit(argv[1])));
    }
  }
  auto* view = new ViewWidget(doc, settings);
  window.setCentralWidget(view);
  window.statusBar()->showMessage(QString::fromUtf8("ﾚﾃﾞｨ"));
  QObject::connect(view, &ViewWidget::statusTextChanged, window.statusBar(),
                   [&window](const QString& text) { window.statusBar()->showMessage(text); });
  window.resize(800, 600);
  window.show();
  view->setFocus();
  return app.exec();
}
