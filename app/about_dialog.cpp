// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dialog.h"

#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>

#include "app/texts.h"

namespace swirlon {
namespace {

constexpr int IconSide = 32;
// The bitmap of the icon drawn at that size (the vector original needs an image plugin).
const QString IconResource = QStringLiteral(":/swirlon/swirlon-32.png");
constexpr int FontPointSize = 9;
constexpr int Spacing = 12;
// Japanese UI fonts in order of preference; the first one installed wins.
const QStringList JapaneseFontFamilies{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                       QStringLiteral("Noto Sans CJK JP"), QStringLiteral("TakaoPGothic")};

void useJapaneseFont(QWidget& widget) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : JapaneseFontFamilies) {
        if (installed.contains(family)) {
            widget.setFont(QFont(family, FontPointSize));
            return;
        }
    }
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(texts::AboutCaption.toString());
    useJapaneseFont(*this);

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(IconResource));
    icon->setFixedSize(IconSide, IconSide);

    auto* version = new QLabel(texts::AboutVersion.toString(), this);
    version->setTextFormat(Qt::PlainText);
    auto* description = new QLabel(texts::AboutDescription.toString(), this);
    description->setTextFormat(Qt::PlainText);

    auto* ok = new QPushButton(texts::AboutOk.toString(), this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(Spacing);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(description, 1, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}

void AboutDialog::showModal(QWidget* parent) {
    AboutDialog dialog(parent);
    dialog.exec();
}

}  // namespace swirlon
