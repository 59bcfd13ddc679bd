#include <QApplication>

#include "app/CMirevApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  return CMirevApp::Run(QCoreApplication::arguments());
}
