#include "kvnCompetitionInfo.h"

#include "ui_TKvnFCompetitionInfo.h"

#include "kvnLanguage.h"
#include "kvnShell.h"
#include "kvnStrings.h"
#include "orvElements.h"

#include <QMouseEvent>

#include <iterator>
#include <string_view>

namespace kvn {

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetText(QLabel* label, std::string_view text)
{
    label->setText(FromUtf8(text));
}

bool IsFormatFlag(char c)
{
    return c == '-' || c == '+' || c == ' ' || c == '0' || c == '#' || c == '.' || (c >= '0' && c <= '9');
}

} // namespace

std::string FormatPoolText(const std::string& format, int length, const std::string& unit)
{
    const std::string arguments[] = {IntToStr(length), unit};
    std::size_t next = 0;
    std::string text;
    std::size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos];
        if (c != '%') {
            text += c;
            ++pos;
            continue;
        }
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            text += '%';
            pos += 2;
            continue;
        }
        std::size_t end = pos + 1;
        while (end < format.size() && IsFormatFlag(format[end]))
            ++end;
        char conversion = end < format.size() ? format[end] : '\0';
        bool known = conversion == 'd' || conversion == 'i' || conversion == 'u' || conversion == 's';
        if (known && next < std::size(arguments)) {
            text += arguments[next++];
            pos = end + 1;
        } else {
            text += '%';
            ++pos;
        }
    }
    return text;
}

TKvnFCompetitionInfo::TKvnFCompetitionInfo(QWidget* parent)
    : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TKvnFCompetitionInfo>())
{
    fUi->setupUi(this);
    Form().SetEscapeButton(fUi->btnClose);
    Form().FormLoaded();
    QPalette link = fUi->edInternet->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    fUi->edInternet->setPalette(link);
    QFont font = fUi->edInternet->font();
    font.setUnderline(true);
    fUi->edInternet->setFont(font);
    fUi->edInternet->installEventFilter(this);
    fUi->btnClose->setAutoDefault(true);
    connect(fUi->btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TKvnFCompetitionInfo::~TKvnFCompetitionInfo() = default;

void TKvnFCompetitionInfo::ClearFields()
{
    for (QLabel* field : {fUi->edName, fUi->edPlace, fUi->edPool, fUi->edTiming, fUi->edDeadline, fUi->edContactName,
                          fUi->edStreet, fUi->edContactPlace, fUi->edPhone, fUi->edFax, fUi->edEmail, fUi->edInternet,
                          fUi->edPointTable, fUi->edVersion})
        field->clear();
    fUi->edInternet->setToolTip({});
    fUi->edInternet->unsetCursor();
    fWebAddress.clear();
}

void TKvnFCompetitionInfo::ShowCompetition(TOrvAbstractObject& competition, bool showPointTable)
{
    ClearFields();
    TLanguage& language = GetLanguage();
    SetText(fUi->edName, competition.ChildText(otNAME));
    SetText(fUi->edPlace, competition.ChildText(otPLACE));
    SetText(fUi->edPool, FormatPoolText(language.GetText("S", 46), competition.ChildInt(otPL),
                                        std::string(competition.ChildText(otPM))));
    SetText(fUi->edTiming, language.GetText("S", 47, competition.ChildText(otTI) == "A" ? 1 : 2));

    const TOrvDataElement* deadline = competition.DataChild(otDEADLINE, true);
    if (!deadline->Text().empty()) {
        TDateTime date = deadline->AsDate();
        // A text that is no date would otherwise show as the calendar's day zero; the file's own text says more.
        SetText(fUi->edDeadline, date != 0 ? FormatDate(true, date) : std::string(deadline->Text()));
    }

    const TOrvAbstractElement* pointTableElement = competition.Child(otPOINTTABLE);
    const TOrvAbstractObject* pointTable = pointTableElement != nullptr ? pointTableElement->AsObject() : nullptr;
    fUi->lblVersion->setEnabled(pointTable != nullptr);
    QPalette groupPalette = palette();
    if (pointTable != nullptr) {
        SetText(fUi->edPointTable, pointTable->ChildText(otNAME));
        SetText(fUi->edVersion, pointTable->ChildText(otVERSION));
    } else {
        groupPalette.setColor(QPalette::WindowText, Qt::gray);
    }
    fUi->grpPointTable->setPalette(groupPalette);
    fUi->grpPointTable->setVisible(showPointTable);

    const TOrvAbstractElement* contactElement = competition.Child(otCONTACT);
    if (const TOrvAbstractObject* contact = contactElement != nullptr ? contactElement->AsObject() : nullptr) {
        SetText(fUi->edContactName,
                Trim(std::string(contact->ChildText(otFNAME)) + " " + std::string(contact->ChildText(otNAME))));
        SetText(fUi->edStreet, contact->ChildText(otSTREET));
        SetText(fUi->edContactPlace,
                Trim(std::string(contact->ChildText(otZIP)) + " " + std::string(contact->ChildText(otPLACE))));
        SetText(fUi->edPhone, contact->ChildText(otPHONE));
        SetText(fUi->edFax, contact->ChildText(otFAX));
        SetText(fUi->edEmail, contact->ChildText(otEMAIL));
        fWebAddress = std::string(contact->ChildText(otINTERNET));
        SetText(fUi->edInternet, fWebAddress);
        fUi->edInternet->setToolTip(FromUtf8(fWebAddress));
        if (!fWebAddress.empty()) fUi->edInternet->setCursor(Qt::PointingHandCursor);
    }
    adjustSize();
}

bool TKvnFCompetitionInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == fUi->edInternet && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !fWebAddress.empty()) {
        OpenUrl(fWebAddress);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowCompetitionInfo(QWidget* parent, TOrvAbstractObject& competition, bool showPointTable)
{
    TKvnFCompetitionInfo dialog(parent);
    dialog.ShowCompetition(competition, showPointTable);
    dialog.exec();
}

} // namespace kvn
