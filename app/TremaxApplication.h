#pragma once
// The application object: the last line of defence for an error that escaped a handler.

#include <QApplication>

class TTremaxApplication : public QApplication {
public:
    TTremaxApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    bool reporting_ = false;
};
