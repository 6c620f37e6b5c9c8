#include "app/aboutbox.h"

#include "app/commandrules.h"
#include "common/settings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

TSplashform::TSplashform(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Splashform"));
    setWindowTitle(QStringLiteral("About Quillon"));
    auto *layout = new QVBoxLayout(this);

    auto *name = new QLabel(QString::fromLatin1(texts::kApplicationTitle), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);

    // The word size of this build.
    auto *bits = new QLabel(QStringLiteral("%1-bit version").arg(int(sizeof(void *) * 8)), this);
    bits->setAlignment(Qt::AlignCenter);
    layout->addWidget(bits);

    version_ = new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersionText), this);
    version_->setObjectName(QStringLiteral("VersionLabel"));
    version_->setAlignment(Qt::AlignCenter);
    layout->addWidget(version_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}

QString TSplashform::versionLine() const { return version_->text(); }

}  // namespace qln
