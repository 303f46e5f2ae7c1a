// 帮助 → 关于: version, Qt version and licence.
#include "app/aboutbox.h"

#include "radioprog/version.h"
#include "rtl/dialogs.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

void showAboutBox(QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("aboutBox"));
    box->setWindowTitle(QStringLiteral("关于 %1").arg(rtl::kAppTitle));
    box->setTextFormat(Qt::RichText);
    box->setText(QStringLiteral("<h3>%1</h3><p>版本 %2</p><p>基于 Qt %3</p><p>许可证：%4</p>"
                                "<p>本程序是自由软件，不提供任何担保。</p>")
                     .arg(rtl::kAppTitle, QStringLiteral(RADIOPROG_VERSION), QString::fromLatin1(qVersion()),
                          QStringLiteral(RADIOPROG_LICENSE)));
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(64));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}
