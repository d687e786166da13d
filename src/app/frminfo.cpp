#include "frminfo.h"

#include "cindral_version.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

frmInfo::frmInfo(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info About..."));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *banner = new QLabel(this);
    banner->setPixmap(QPixmap(QStringLiteral(":/images/banner.png")));

    txtDescription = new QLineEdit(
            QStringLiteral("Edits the 16-colour palettes of Nintendo DS and GBA ROM images."),
            this);
    txtMaker = new QLineEdit(
            QStringLiteral("Cindral Palette Editor %1, made by the Cindral developers.")
                    .arg(QStringLiteral(CINDRAL_VERSION)),
            this);
    for (QLineEdit *box : { txtDescription, txtMaker }) {
        box->setReadOnly(true);
        box->setCursorPosition(0);
    }

    auto *close = new QPushButton(QStringLiteral("OK"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(banner);
    layout->addWidget(txtDescription);
    layout->addWidget(txtMaker);
    layout->addWidget(close, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    close->setFocus();
}
