// The floor for start-up time: a Qt Widgets program that shows one message box and nothing else.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMessageBox box(QMessageBox::Information, QStringLiteral("whichkontakt"),
                  QStringLiteral("kontakt4.nki is Kontakt Version 4.2.3.0"), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  return box.exec() == QMessageBox::Ok ? 0 : 1;
}
