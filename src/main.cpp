#include <QApplication>

#include "app/CMirevApp.h"
#include "app/FilePath.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Qt has taken its own options out of argv; the rest are kept as the bytes they are, which
  // Qt's arguments() would decode as text and lose for names that are not UTF-8.
  return CMirevApp::Run(ArgumentsFromArgv(argc, argv));
}
