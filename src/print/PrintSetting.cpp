// SPDX-License-Identifier: GPL-2.0-or-later
#include "print/PrintSetting.h"

#include "core/PrintOptions.h"
#include "platform/print/PrintDialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

QRadioButton *option(const QString &caption, const char *name, QWidget *frame, QLayout *layout)
{
    auto *button = new QRadioButton(caption, frame);
    button->setObjectName(QLatin1StringView(name));
    layout->addWidget(button);
    return button;
}

// Checks the one button that matches, or none when the value matches none.
void check(std::initializer_list<std::pair<QRadioButton *, bool>> buttons)
{
    for (const auto &[button, on] : buttons) {
        button->setAutoExclusive(false);
        button->setChecked(on);
        button->setAutoExclusive(true);
    }
}

} // namespace

PrintSetting::PrintSetting(PrintOptions &options, PrintDialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_options(options), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("PrintSetting"));
    setWindowTitle(QStringLiteral("プリント設定"));
    setModal(false);
    Command1 = new QPushButton(QStringLiteral("プリンターのプロパティー"), this);
    Command2 = new QPushButton(QStringLiteral("プリント時のフォント"), this);

    auto *frame1 = new QGroupBox(QStringLiteral("余白の行数"), this);
    auto *margins = new QGridLayout(frame1);
    Text1 = new QLineEdit(frame1);
    Text2 = new QLineEdit(frame1);
    auto *leftLabel = new QLabel(QStringLiteral("左"), frame1);
    auto *rightLabel = new QLabel(QStringLiteral("右"), frame1);
    leftLabel->setBuddy(Text1); // the labels name the fields for a screen reader
    rightLabel->setBuddy(Text2);
    margins->addWidget(leftLabel, 0, 0);
    margins->addWidget(Text1, 0, 1);
    margins->addWidget(rightLabel, 1, 0);
    margins->addWidget(Text2, 1, 1);

    auto *frame2 = new QGroupBox(QStringLiteral("列の数"), this);
    auto *columns = new QVBoxLayout(frame2);
    Option1 = option(QStringLiteral("１列 （普通）"), "Option1", frame2, columns);
    Option2 = option(QStringLiteral("２列 （分割）"), "Option2", frame2, columns);

    auto *frame3 = new QGroupBox(QStringLiteral("日付の印刷"), this);
    auto *dates = new QVBoxLayout(frame3);
    Option3 = option(QStringLiteral("なし"), "Option3", frame3, dates);
    Option4 = option(QStringLiteral("印刷日"), "Option4", frame3, dates);
    Option5 = option(QStringLiteral("ファイルの更新日"), "Option5", frame3, dates);

    Command3 = new QPushButton(QStringLiteral("O K"), this);
    Command4 = new QPushButton(QStringLiteral("キャンセル"), this);
    Command3->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Command1);
    layout->addWidget(Command2);
    auto *choices = new QHBoxLayout;
    choices->addWidget(frame1);
    choices->addWidget(frame2);
    choices->addWidget(frame3);
    layout->addLayout(choices);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &PrintSetting::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PrintSetting::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &PrintSetting::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &PrintSetting::Command4_Click);
}

void PrintSetting::fill()
{
    using Columns = PrintOptions::Columns;
    using HeaderDate = PrintOptions::HeaderDate;
    check(
        {{Option1, m_options.PrintLineNo == Columns::One}, {Option2, m_options.PrintLineNo == Columns::Two}});
    check({{Option3, m_options.PrintDate == HeaderDate::None},
           {Option4, m_options.PrintDate == HeaderDate::Printed},
           {Option5, m_options.PrintDate == HeaderDate::Modified}});
    Text1->setText(QString::number(m_options.LeftMerge));
    Text2->setText(QString::number(m_options.RightMerge));
}

qint32 PrintSetting::marginValue(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?"));
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("[ \\t]")));
    const QRegularExpressionMatch match = number.match(compact);
    if (!match.hasMatch())
        return 0;
    QString digits = match.captured(0);
    digits.replace(u'd', u'e').replace(u'D', u'e');
    const double value = std::nearbyint(digits.toDouble());
    // Beyond what a margin can hold, the nearest that it can.
    if (!(value > std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (!(value < std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(value);
}

void PrintSetting::Command1_Click()
{
    const bool landscape = m_options.PrinterOrientation == PageOrientation::Landscape;
    if (const std::optional<bool> turned = m_dialogs.pageSetup(landscape))
        m_options.PrinterOrientation = *turned ? PageOrientation::Landscape : PageOrientation::Portrait;
}

void PrintSetting::Command2_Click()
{
    const std::optional<PrintDialogs::Font> font =
        m_dialogs.font(m_options.PrintFontName, m_options.PrintFontSize);
    if (!font)
        return;
    m_options.PrintFontName = font->family;
    m_options.PrintFontSize = qint32(std::nearbyint(font->points));
}

void PrintSetting::Command3_Click()
{
    m_options.LeftMerge = marginValue(Text1->text());
    m_options.RightMerge = marginValue(Text2->text());
    if (Option1->isChecked())
        m_options.PrintLineNo = PrintOptions::Columns::One;
    else if (Option2->isChecked())
        m_options.PrintLineNo = PrintOptions::Columns::Two;
    using HeaderDate = PrintOptions::HeaderDate;
    for (const auto &[button, value] : {std::pair{Option3, HeaderDate::None},
                                        {Option4, HeaderDate::Printed},
                                        {Option5, HeaderDate::Modified}})
        if (button->isChecked())
            m_options.PrintDate = value;
    hide();
}

void PrintSetting::Command4_Click()
{
    hide();
}
