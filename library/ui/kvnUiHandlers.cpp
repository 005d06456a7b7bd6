#include "kvnUiHandlers.h"

#include "kvnFormatSettings.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

namespace kvn {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The first character of the format that is neither a format letter nor quoted text, or the fallback.
std::string SeparatorOf(const std::string& format, const std::string& letters, const std::string& fallback)
{
    bool quoted = false;
    for (char c : format) {
        if (c == '\'' || c == '"')
            quoted = !quoted;
        else if (!quoted && letters.find(c) == std::string::npos)
            return std::string(1, c);
    }
    return fallback;
}

} // namespace

bool TQtMessageHandler::AskYesNo(const std::string& caption, const std::string& question)
{
    return QMessageBox::question(QApplication::activeWindow(), Q(caption), Q(question),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool TQtMessageHandler::ShowMessageBox(const std::string& caption, const std::string& text, bool warning,
                                       bool withCancel)
{
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon, Q(caption), Q(text),
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, QApplication::activeWindow());
    box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    return box.exec() != QMessageBox::Cancel;
}

std::string CoreFormatFromQt(const QString& qtFormat)
{
    // Qt writes months as M and minutes as m; the core writes months as m and minutes as n.
    std::string out;
    bool quoted = false;
    for (QChar qc : qtFormat) {
        char c = qc.toLatin1();
        if (c == '\'') {
            quoted = !quoted;
            out += '"';
            continue;
        }
        if (quoted) {
            out += QString(qc).toStdString();
            continue;
        }
        switch (c) {
        case 'M':
            out += 'm';
            break;
        case 'm':
            out += 'n';
            break;
        case 'H':
            out += 'h';
            break;
        case 'A':
        case 'a':
        case 'p':
        case 'P':
        case 't':
        case 'z':
            break; // no am/pm, zone or milliseconds in the program's texts
        default:
            out += QString(qc).toStdString();
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

void ApplyLocaleFormatSettings(const QLocale& locale)
{
    TFormatSettings& settings = FormatSettings();
    settings.ShortDateFormat = CoreFormatFromQt(locale.dateFormat(QLocale::ShortFormat));
    settings.LongDateFormat = CoreFormatFromQt(locale.dateFormat(QLocale::LongFormat));
    settings.ShortTimeFormat = CoreFormatFromQt(locale.timeFormat(QLocale::ShortFormat));
    settings.LongTimeFormat = CoreFormatFromQt(locale.timeFormat(QLocale::LongFormat));
    settings.DateSeparator = SeparatorOf(settings.ShortDateFormat, "dmy", ".");
    settings.TimeSeparator = SeparatorOf(settings.ShortTimeFormat, "hns", ":");
    settings.DecimalSeparator = locale.decimalPoint().toStdString();
    for (int month = 1; month <= 12; ++month) {
        settings.ShortMonthNames[month - 1] = locale.monthName(month, QLocale::ShortFormat).toStdString();
        settings.LongMonthNames[month - 1] = locale.monthName(month, QLocale::LongFormat).toStdString();
    }
    for (int day = 0; day < 7; ++day) {
        int qtDay = day == 0 ? 7 : day; // Qt counts Monday as 1 and Sunday as 7
        settings.ShortDayNames[day] = locale.dayName(qtDay, QLocale::ShortFormat).toStdString();
        settings.LongDayNames[day] = locale.dayName(qtDay, QLocale::LongFormat).toStdString();
    }
    FixSeparators();
}

} // namespace kvn
