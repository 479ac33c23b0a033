#include "app/configureapplication.h"
#include "app/mainwindow.h"
#include "platform/filenamebytes.h"
#include "desktop/qtprompter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    configureApplication(app);

    QtPrompter prompter;
    MainWindow fm_main(prompter);
    fm_main.admitAtFirstShow(QApplication::arguments(),
                             FileNameBytes::unreachableArguments(argc, argv));
    prompter.setParentWindow(&fm_main);
    fm_main.show();
    return app.exec();
}
