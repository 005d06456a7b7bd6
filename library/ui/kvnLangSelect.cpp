#include "kvnLangSelect.h"

#include "ui_TkvnFLangSelect.h"

#include "kvnFlags.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnStrings.h"

#include <QCollator>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvn {

namespace {

// The nation whose flag stands for each language index.
constexpr std::array<const char*, kAutoLanguage> kLanguageNations = {
    "SUI", "GER", "FRA", "USA", "ITA", "NED", "ESP", "RUS", "DEN", "POL", "POR", "FIN",
    "ISL", "SWE", "NOR", "AUT", "CAN", "HUN", "CZE", "SLO", "CRO", "TUR", "MEX", "GBR"};

// The screen language stored when the screen list offers nothing.
constexpr int kFallbackScreenLanguage = 3;

constexpr int kItemHeight = 13;
constexpr int kTextIndent = 21;
constexpr int kHelpListWidth = 550;
constexpr int kNoHelpListWidth = 370;
// Design height of the note, which the dialog's height and its buttons' position assume.
constexpr int kNoteHeight = 31;

// Item value: the language index.
constexpr int kLanguageRole = Qt::UserRole;

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Draws a list item as its language's flag followed by its name.
class TLanguageItemDelegate : public QStyledItemDelegate {
public:
    TLanguageItemDelegate(QList<QPixmap> images, QObject* parent)
        : QStyledItemDelegate(parent), fImages(std::move(images))
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect& rect = option.rect;
        bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette& palette = option.palette;
        painter->fillRect(rect, selected ? palette.highlight() : palette.base());
        int language = index.data(kLanguageRole).toInt();
        if (language >= 0 && language < fImages.size())
            painter->drawPixmap(rect.left() + 1, rect.top() + 1, fImages[language]);
        painter->setPen(selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text));
        QRect textRect = rect.adjusted(kTextIndent, 0, 0, 0);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            QPen focus(selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text));
            focus.setStyle(Qt::DotLine);
            painter->setPen(focus);
            painter->drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // Fonts taller than the item would lose their lower lines; the item grows with them.
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return QSize(size.width() + kTextIndent, std::max(kItemHeight, option.fontMetrics.height()));
    }

private:
    QList<QPixmap> fImages;
};

struct TLanguageEntry {
    QString Name;
    int Index;
};

void FillList(QListWidget& list, std::vector<TLanguageEntry> entries)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&](const TLanguageEntry& a, const TLanguageEntry& b) {
        return collator.compare(a.Name, b.Name) < 0;
    });
    for (const TLanguageEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.Name, &list);
        item->setData(kLanguageRole, entry.Index);
    }
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QPixmap LanguageFlag(int index)
{
    if (index < 0 || index >= kAutoLanguage) return QPixmap();
    return FlagPicture(QString::fromLatin1(kLanguageNations[static_cast<std::size_t>(index)]),
                       QSize(kLanguageFlagWidth, kLanguageFlagHeight));
}

int SelectedLanguage(const QListWidget& list)
{
    const QListWidgetItem* item = list.currentItem();
    if (item == nullptr || !item->isSelected()) return -1;
    return item->data(kLanguageRole).toInt();
}

void SelectLanguage(QListWidget& list, int index)
{
    if (list.count() == 0) return;
    int row = 0;
    for (int i = list.count() - 1; i > 0; --i) {
        if (list.item(i)->data(kLanguageRole).toInt() == index) {
            row = i;
            break;
        }
    }
    list.setCurrentRow(row);
}

TkvnFLangSelect::TkvnFLangSelect(QWidget* parent) : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TkvnFLangSelect>())
{
    fUi->setupUi(this);
    Form().SetAutoSave(false);
    Form().SetEscapeButton(fUi->btnCancel);
    Form().FormLoaded();
    // A fixed border with a caption but without system buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    FitNote();

    for (int i = 0; i < kAutoLanguage; ++i)
        fLangImages.append(LanguageFlag(i));
    for (QListWidget* list : {fUi->lbxLanguage, fUi->lbxPrnLanguage, fUi->lbxHlpLanguage}) {
        list->setItemDelegate(new TLanguageItemDelegate(fLangImages, list));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    }

    // The note reads as part of the dialog, not as a field. Its text is one paragraph, so that it wraps to the
    // memo's width with whatever font the desktop uses.
    QPalette note = fUi->Memo1->palette();
    note.setColor(QPalette::Base, palette().color(QPalette::Window));
    fUi->Memo1->setPalette(note);

    connect(fUi->btnOk, &QPushButton::clicked, this, [this] {
        StoreChoices();
        accept();
    });
    connect(fUi->btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    FillLists();
}

TkvnFLangSelect::~TkvnFLangSelect() = default;

void TkvnFLangSelect::FillLists()
{
    TLanguage& language = GetLanguage();
    std::string names = language.GetText("G", 149);
    std::vector<TLanguageEntry> languages;
    std::vector<TLanguageEntry> helps;
    for (int i = 0; i < kAutoLanguage; ++i) {
        QString name = FromUtf8(SemicolonFields(names, i + 1, 1));
        if (FileExists(LanguageFileName(i))) languages.push_back({name, i});
        if (FileExists(HelpFileName(i))) helps.push_back({name, i});
    }
    FillList(*fUi->lbxLanguage, languages);
    FillList(*fUi->lbxPrnLanguage, std::move(languages));
    FillList(*fUi->lbxHlpLanguage, std::move(helps));

    SelectLanguage(*fUi->lbxLanguage, language.ScreenLanguage());
    SelectLanguage(*fUi->lbxPrnLanguage, language.PrintLanguage());
    SelectLanguage(*fUi->lbxHlpLanguage, language.HelpLanguage());
}

void TkvnFLangSelect::FitNote()
{
    // The design's height was made for another platform's font: the note grows to its wrapped text, and the
    // buttons and the dialog's bottom move down with it.
    QPlainTextEdit& note = *fUi->Memo1;
    QTextDocument text;
    text.setDefaultFont(note.font());
    text.setDocumentMargin(note.document()->documentMargin());
    text.setPlainText(note.toPlainText());
    text.setTextWidth(note.width() - 2 * note.frameWidth());
    int needed = static_cast<int>(std::ceil(text.size().height())) + 2 * note.frameWidth() + 1;
    int growth = std::max(needed - kNoteHeight, 0);
    note.setFixedHeight(kNoteHeight + growth);
    fUi->PnlButtons->move(fUi->PnlButtons->x(), fUi->PnlButtons->y() + growth);
    setFixedSize(width(), height() + growth);
}

void TkvnFLangSelect::ShowHelpList(bool withHelpList)
{
    fUi->Label1->setVisible(withHelpList);
    fUi->lbxHlpLanguage->setVisible(withHelpList);
    int width = withHelpList ? kHelpListWidth : kNoHelpListWidth;
    setFixedSize(width, height());
    fUi->PnlButtons->move((width - fUi->PnlButtons->width()) / 2, fUi->PnlButtons->y());

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height()) / 2);
    }
}

int TkvnFLangSelect::LanguageCount() const
{
    return fUi->lbxLanguage->count();
}

void TkvnFLangSelect::StoreChoices()
{
    TLanguage& language = GetLanguage();
    TKvnIniFile& settings = SettingsFile();
    // The choices take effect for this run even when they cannot be kept; the user hears of it once.
    std::string failure;
    auto store = [&](std::string_view key, int value) {
        try {
            settings.WriteInteger("Config", key, value);
        } catch (const EKvnError& error) {
            if (failure.empty()) failure = error.what();
        }
    };

    int screen = kFallbackScreenLanguage;
    if (int chosen = SelectedLanguage(*fUi->lbxLanguage); chosen >= 0) {
        screen = chosen;
        store("lbxLanguage", screen);
    }
    if (int print = SelectedLanguage(*fUi->lbxPrnLanguage); print >= 0) {
        language.SetPrintLanguage(print);
        store("lbxPrnLanguage", print);
    }
    // The help list counts even while it is hidden.
    if (int help = SelectedLanguage(*fUi->lbxHlpLanguage); help >= 0) {
        language.SetHelpLanguage(help);
        store("lbxHlpLanguage", language.HelpLanguage());
    }
    if (screen != language.ScreenLanguage()) language.LoadLanguage(screen, true);
    if (!failure.empty()) ShowMessageBox(failure, true);
}

void SelectLanguages(bool force, bool withHelpList)
{
    if (!force && SettingsFile().ReadInteger("Config", "lbxLanguage", -1) != -1) return;
    TkvnFLangSelect dialog;
    dialog.ShowHelpList(withHelpList);
    if (dialog.LanguageCount() < 2) {
        dialog.StoreChoices();
        return;
    }
    dialog.exec();
}

} // namespace kvn
