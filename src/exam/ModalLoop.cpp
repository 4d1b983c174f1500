#include "exam/ModalLoop.h"

#include "ui/Screen.h"

#include <QDialog>
#include <QEventLoop>
#include <QPointer>

namespace exam {

int runModal(QDialog& dialog)
{
    QEventLoop loop;
    bool finished = false;
    const auto connection = QObject::connect(&dialog, &QDialog::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    dialog.setWindowModality(Qt::ApplicationModal);
    ui::centreWindow(&dialog, dialog.parentWidget());
    dialog.show();
    if (!finished)
        loop.exec(QEventLoop::DialogExec);
    QObject::disconnect(connection);
    return dialog.result();
}

} // namespace exam
