#include "kvnPrintSetup.h"

#include "ui_TkvnPrintSetupDlg.h"

#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnNoteEdit.h"
#include "kvnPrintDocument.h"
#include "kvnQtPrinterInfo.h"
#include "kvnStrings.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace kvn {

namespace {

// The stored entry line of a picture list item.
constexpr int kEntryRole = Qt::UserRole;
constexpr int kImageItemHeight = 16;

// The template editor's size in characters.
constexpr int kTemplateColumns = 80;
constexpr int kTemplateRows = 15;

constexpr int kFooterMemoWidth = 150;

// The "Standard" menu opens this far below the button's top.
constexpr int kMenuOffset = 25;

QString Text(int entry)
{
    return QString::fromStdString(GetLanguage().GetText("G", entry));
}

QStringList ToQt(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines)
        list.append(QString::fromStdString(line));
    return list;
}

std::vector<std::string> FromQt(const QStringList& lines)
{
    std::vector<std::string> list;
    for (const QString& line : lines)
        list.push_back(line.toStdString());
    return list;
}

// Lengths are stored in tenths of a millimetre and edited in whole millimetres.
int ToMm(int tenths)
{
    return tenths / 10;
}
int ToTenths(TKvnEdit& edit)
{
    return edit.GetIntValue() * 10;
}

bool HasFile(const std::string& entry)
{
    return !ParseImageEntry(entry).File.empty();
}

class TImageItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        TImageLine line = ImageLineTexts(index.data(kEntryRole).toString().toStdString());
        const QString parts[4] = {line.Position, line.Scale, line.Alignment, line.File};
        for (int i = 0; i < 4; ++i) {
            int right = i < 3 ? option.rect.left() + kImageColumns[i + 1] - 4 : option.rect.right();
            QRect cell(option.rect.left() + kImageColumns[i], option.rect.top(), right - kImageColumns[i],
                       option.rect.height());
            painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              option.fontMetrics.elidedText(parts[i], Qt::ElideMiddle, cell.width()));
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        // A font taller than the item would lose its lower part, so the item grows with it.
        return QSize(kImageColumns[3] + 100, std::max(kImageItemHeight, option.fontMetrics.height()));
    }
};

} // namespace

TImageLine ImageLineTexts(const std::string& entry)
{
    TImageEntry image = ParseImageEntry(entry);
    if (image.File.empty()) return {Text(11), {}, {}, {}};
    std::string alignment = SemicolonFields(GetLanguage().GetText("G", 69), image.Align + 1, 1);
    return {QStringLiteral("%1,%2 mm").arg(image.X).arg(image.Y), QStringLiteral("%1%").arg(image.Scale),
            QString::fromStdString(alignment), QFileInfo(QString::fromStdString(image.File)).fileName()};
}

bool EditPageSetup(QWidget* parent, TKvnDocument& document, bool htmlAllowed)
{
    TkvnPrintSetupDlg dialog(parent);
    dialog.Open(document, htmlAllowed);
    return dialog.exec() == QDialog::Accepted;
}

bool& NoteEditFixedFace()
{
    static bool fixedFace = true;
    return fixedFace;
}

TkvnPrintSetupDlg::TkvnPrintSetupDlg(QWidget* parent)
    : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TkvnPrintSetupDlg>())
{
    fUi->setupUi(this);
    fStandardMenu = new QMenu(this);
    fStandardMenu->setObjectName(QStringLiteral("mnuStandard"));
    QAction* portrait = fStandardMenu->addAction(QStringLiteral("1 Spalte, Hochformat"));
    portrait->setObjectName(QStringLiteral("mnuPortrait"));
    QAction* landscape = fStandardMenu->addAction(QStringLiteral("2 Spalten, Querformat"));
    landscape->setObjectName(QStringLiteral("mnuLandscape"));
    connect(portrait, &QAction::triggered, this, [this] { ApplyPreset(kPresetPortrait); });
    connect(landscape, &QAction::triggered, this, [this] { ApplyPreset(kPresetLandscape); });
    fUi->cbxFixFont->SetOptions(TKvnFontComboBox::TFontComboOptions(TKvnFontComboBox::tfcFixedPitch) |
                                TKvnFontComboBox::tfcOnlyTrueType);
    fUi->BEditHtt->setIcon(
        QIcon::fromTheme(QStringLiteral("document-edit"), style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    fUi->lbxImages->setItemDelegate(new TImageItemDelegate(fUi->lbxImages));
    fUi->lbxImages->setUniformItemSizes(true);
    fUi->edtLeftFoot->SetCaretPosControl(fUi->lblLeftFootPos);
    fUi->edtZentFoot->SetCaretPosControl(fUi->lblZentFootPos);
    fUi->edtRightFoot->SetCaretPosControl(fUi->lblRightFootPos);
    // A memo asks for 256 pixels; three side by side would make the dialog wider than its other pages need.
    for (TKvnMemo* memo : {fUi->edtLeftFoot, fUi->edtZentFoot, fUi->edtRightFoot}) {
        memo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        memo->setMinimumWidth(kFooterMemoWidth);
    }
    fUi->edtZentFoot->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    fUi->edtRightFoot->document()->setDefaultTextOption(QTextOption(Qt::AlignRight));

    Form().FormLoaded();
    fUi->edtHtmlFile->SetFilter(QtFileFilter(Text(108)));
    fUi->edtImgFile->SetFilter(QtFileFilter(Text(109)));
    FillPrinters();
    fUi->pgeAll->setCurrentIndex(0);
    fUi->lblLineCount->hide();
    ConnectControls();
    // A fixed border: the pages are laid out for the size the texts need.
    setFixedSize(sizeHint().expandedTo(QSize(372, 300)));
}

TkvnPrintSetupDlg::~TkvnPrintSetupDlg() = default;

void TkvnPrintSetupDlg::ConnectControls()
{
    connect(fUi->BtnOk, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(fUi->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(fUi->BtnDefaults, &QPushButton::clicked, this,
            [this] { fStandardMenu->exec(fUi->BtnDefaults->mapToGlobal(QPoint(0, kMenuOffset))); });
    connect(fUi->BtnSetup, &QPushButton::clicked, this, &TkvnPrintSetupDlg::PrinterProperties);
    connect(fUi->CBPrinters, &QComboBox::activated, this, &TkvnPrintSetupDlg::PrinterChosen);
    connect(fUi->edtColCount, &QLineEdit::textChanged, this, &TkvnPrintSetupDlg::UpdateGapState);
    connect(fUi->pgeAll, &QTabWidget::currentChanged, this, &TkvnPrintSetupDlg::PageChanged);
    connect(fUi->lbxImages, &QListWidget::currentRowChanged, this, &TkvnPrintSetupDlg::ImageSelected);
    connect(fUi->btnNew, &QPushButton::clicked, this, &TkvnPrintSetupDlg::NewImage);
    connect(fUi->btnDelete, &QPushButton::clicked, this, &TkvnPrintSetupDlg::DeleteImage);
    connect(fUi->BEditHtt, &QToolButton::clicked, this, &TkvnPrintSetupDlg::EditTemplate);
    for (QWidget* field : findChildren<QWidget*>())
        if (IsMarginField(field) || IsFooterMemo(field) || IsImageField(field)) field->installEventFilter(this);
}

bool TkvnPrintSetupDlg::IsMarginField(const QObject* object) const
{
    return object == fUi->edtTop || object == fUi->edtBottom || object == fUi->edtLeft || object == fUi->edtRight ||
           object == fUi->edtColDist || object == fUi->edtColCount;
}

bool TkvnPrintSetupDlg::IsFooterMemo(const QObject* object) const
{
    return object == fUi->edtLeftFoot || object == fUi->edtZentFoot || object == fUi->edtRightFoot;
}

bool TkvnPrintSetupDlg::IsImageField(const QObject* object) const
{
    return object == fUi->edtImgFile || object == fUi->edtScale || object == fUi->edtXPos || object == fUi->edtYPos ||
           object == fUi->rbAlignLeft || object == fUi->rbAlignRight || object == fUi->rbAlignCenter;
}

bool TkvnPrintSetupDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && fDoc != nullptr) {
        if (IsMarginField(watched) || IsFooterMemo(watched)) Apply();
        if (IsFooterMemo(watched)) UpdateFootCount();
        if (IsImageField(watched)) StoreImage();
    }
    return TKvnFormDialog::eventFilter(watched, event);
}

void TkvnPrintSetupDlg::FillPrinters()
{
    // The design's one item names the PDF entry, so that the entry is translated with the window; the items' data
    // are the printer names.
    QString pdfEntryText =
        fUi->CBPrinters->count() > 0 ? fUi->CBPrinters->itemText(0) : QString::fromUtf8(kPdfPrinterName);
    fUi->CBPrinters->clear();
    for (const std::string& name : TKvnQtPrinterInfo::PrinterNames())
        fUi->CBPrinters->addItem(QString::fromStdString(name), QString::fromStdString(name));
    // The same choice as the print dialog, where the PDF file is always a printer.
    fUi->CBPrinters->addItem(pdfEntryText, QString::fromUtf8(kPdfPrinterName));
}

void TkvnPrintSetupDlg::ShowFaces(const QString& printer)
{
    fUi->cbxVarFont->SetDevice(printer);
    fUi->cbxFixFont->SetDevice(printer);
}

void TkvnPrintSetupDlg::Open(TKvnDocument& document, bool htmlAllowed)
{
    fDoc = &document;
    fHtmlAllowed = htmlAllowed;
    for (QWidget* html : {static_cast<QWidget*>(fUi->edtHtmlFile), static_cast<QWidget*>(fUi->lblHtmlFile),
                          static_cast<QWidget*>(fUi->BEditHtt)})
        html->setEnabled(htmlAllowed);
    Load();
}

void TkvnPrintSetupDlg::Load()
{
    TKvnDocument& doc = *fDoc;
    fUi->CBPrinters->setCurrentIndex(
        fUi->CBPrinters->findData(QString::fromStdString(QtPrinterInfo().SelectedPrinterName())));
    ShowFaces(QString::fromStdString(doc.PrinterName()));
    fUi->cbxVarFont->SelectFont(QString::fromStdString(doc.VarFont()));
    fUi->cbxFixFont->SelectFont(QString::fromStdString(doc.FixFont()));

    fUi->edtTop->SetIntValue(ToMm(doc.MarginTop()));
    fUi->edtBottom->SetIntValue(ToMm(doc.MarginBottom()));
    fUi->edtLeft->SetIntValue(ToMm(doc.MarginLeft()));
    fUi->edtRight->SetIntValue(ToMm(doc.MarginRight()));
    fUi->edtColDist->SetIntValue(ToMm(doc.ColGap()));
    fUi->EAdrPosTop->SetIntValue(ToMm(doc.AddrPosTop()));
    fUi->EAdrPosLeft->SetIntValue(ToMm(doc.AddrPosLeft()));
    fUi->edtColCount->SetIntValue(doc.ColCount());
    fUi->chkHeadPerCol->setChecked(doc.HeadOnColumn());
    (doc.Orientation() == 1 ? fUi->rbLandscape : fUi->rbPortrait)->setChecked(true);
    fUi->edtHtmlFile->setText(QString::fromStdString(doc.HtmlTemplate()));
    fUi->edtHtmlWidth->SetIntValue(doc.HTMLWidth());
    fUi->EFootPFontsize->SetIntValue(doc.FootFontPercent());
    fUi->edtLeftFoot->SetLines(ToQt(doc.FootLeft()));
    fUi->edtZentFoot->SetLines(ToQt(doc.FootCenter()));
    fUi->edtRightFoot->SetLines(ToQt(doc.FootRight()));

    fBusy = true;
    fUi->lbxImages->clear();
    for (const std::string& entry : doc.Images()) {
        if (!HasFile(entry)) continue;
        auto* item = new QListWidgetItem(fUi->lbxImages);
        item->setData(kEntryRole, QString::fromStdString(entry));
    }
    fBusy = false;
    fImageIndex = -1;

    SetEnabling();
    UpdateGapState();
    UpdateFootCount();
    fUi->lblInfo->setText(QString::fromStdString(doc.Description()));
}

void TkvnPrintSetupDlg::SetEnabling()
{
    TDocumentOptions options = fDoc->Options();
    bool margins = options.Contains(doCanSetMargins);
    fUi->edtTop->setEnabled(margins || options.Contains(doCanSetTopOfs));
    for (TKvnEdit* edit : {fUi->edtBottom, fUi->edtLeft, fUi->edtRight})
        edit->setEnabled(margins);
    fUi->grpFonts->setEnabled(!options.Contains(doNoFontChange));
    bool address = options.Contains(doCanSetAddressPos);
    fUi->grpAddress->setVisible(address);
    fUi->grpColumns->setVisible(!address);
    fUi->RgrOrientation->setVisible(!address);
    bool multiCol = options.Contains(doMultiCol);
    fUi->grpColumns->setEnabled(multiCol);
    if (!multiCol) fUi->edtColCount->SetIntValue(1);
    fUi->edtColCount->setReadOnly(!multiCol);
    fUi->RgrOrientation->setEnabled(options.Contains(doChgOrientation));
    bool htmlWidth = fUi->RgrOrientation->isEnabled() && fHtmlAllowed;
    fUi->edtHtmlWidth->setEnabled(htmlWidth);
    fUi->lblHtmlWidth->setEnabled(htmlWidth);
    fUi->lblHtmlNote->setEnabled(htmlWidth);
    fUi->pgeAll->setTabVisible(fUi->pgeAll->indexOf(fUi->shtFooter), margins);
}

void TkvnPrintSetupDlg::UpdateGapState()
{
    // The count is read from the text as typed, so the state follows every key stroke.
    bool columns = fUi->edtColCount->Text().toInt() > 1;
    fUi->lblColDist->setEnabled(columns);
    fUi->edtColDist->setEnabled(columns && fUi->edtLeft->isEnabled());
    fUi->chkHeadPerCol->setEnabled(columns);
}

void TkvnPrintSetupDlg::UpdateFootCount()
{
    int lines = fDoc->FootLineCount();
    fUi->lblLineCount->setText(
        lines > 0 ? QString::fromStdString(ReplaceAll(GetLanguage().GetText("G", 63), "%d", std::to_string(lines)))
                  : Text(62));
}

void TkvnPrintSetupDlg::Apply()
{
    if (fDoc == nullptr) return;
    TKvnDocument& doc = *fDoc;
    doc.DetectPaper();
    doc.SetMarginTop(ToTenths(*fUi->edtTop));
    doc.SetMarginBottom(ToTenths(*fUi->edtBottom));
    doc.SetMarginLeft(ToTenths(*fUi->edtLeft));
    doc.SetMarginRight(ToTenths(*fUi->edtRight));
    doc.SetColGap(ToTenths(*fUi->edtColDist));
    doc.SetAddrPosTop(ToTenths(*fUi->EAdrPosTop));
    doc.SetAddrPosLeft(ToTenths(*fUi->EAdrPosLeft));
    doc.SetColCount(fUi->edtColCount->GetIntValue());
    doc.SetHtmlTemplate(fUi->edtHtmlFile->Text().toStdString());
    doc.SetHTMLWidth(fUi->edtHtmlWidth->GetIntValue());
    doc.SetHeadOnColumn(fUi->chkHeadPerCol->isChecked());
    doc.SetOrientation(fUi->rbLandscape->isChecked() ? 1 : 0);
    doc.SetFootFontPercent(fUi->EFootPFontsize->GetIntValue());
    doc.SetFootLeft(FromQt(fUi->edtLeftFoot->Lines()));
    doc.SetFootCenter(FromQt(fUi->edtZentFoot->Lines()));
    doc.SetFootRight(FromQt(fUi->edtRightFoot->Lines()));

    StoreImage();
    fBusy = true;
    std::vector<std::string> images;
    for (int row = fUi->lbxImages->count() - 1; row >= 0; --row) {
        std::string entry = fUi->lbxImages->item(row)->data(kEntryRole).toString().toStdString();
        if (HasFile(entry))
            images.insert(images.begin(), entry);
        else
            delete fUi->lbxImages->takeItem(row);
    }
    if (fUi->lbxImages->count() > 0 && fUi->lbxImages->currentRow() < 0)
        fUi->lbxImages->setCurrentRow(fUi->lbxImages->count() - 1);
    fImageIndex = fUi->lbxImages->currentRow();
    fBusy = false;
    doc.SetImages(std::move(images));

    if (fUi->cbxVarFont->currentIndex() >= 0) doc.SetVarFont(fUi->cbxVarFont->FaceName().toStdString());
    if (fUi->cbxFixFont->currentIndex() >= 0) doc.SetFixFont(fUi->cbxFixFont->FaceName().toStdString());
    fUi->lblInfo->setText(QString::fromStdString(doc.Description()));
}

void TkvnPrintSetupDlg::ApplyPreset(int preset)
{
    fDoc->ApplyPreset(preset);
    Load();
    fUi->CBPrinters->setFocus();
}

void TkvnPrintSetupDlg::PrinterChosen(int index)
{
    QString printer = fUi->CBPrinters->itemData(index).toString();
    QtPrinterInfo().SelectPrinter(printer.toStdString());
    Apply();
    ShowFaces(printer);
}

void TkvnPrintSetupDlg::PrinterProperties()
{
    Apply();
    QPrinter printer(QPrinterInfo::printerInfo(fUi->CBPrinters->currentData().toString()));
    QPageSetupDialog setup(&printer, this);
    setup.exec();
    fDoc->DetectPaper();
    fUi->lblInfo->setText(QString::fromStdString(fDoc->Description()));
    fUi->CBPrinters->setFocus();
}

void TkvnPrintSetupDlg::PageChanged(int index)
{
    QWidget* page = fUi->pgeAll->widget(index);
    if (page != fUi->shtImages) StoreImage();
    fUi->lblLineCount->setVisible(page == fUi->shtFooter);
    fUi->BtnDefaults->setEnabled(page != fUi->shtFooter);
    if (page == fUi->shtMargin) {
        (fUi->edtTop->isEnabled() ? static_cast<QWidget*>(fUi->edtTop) : fUi->cbxVarFont)->setFocus();
    } else if (page == fUi->shtFooter) {
        for (TKvnMemo* memo : {fUi->edtLeftFoot, fUi->edtZentFoot, fUi->edtRightFoot})
            memo->moveCursor(QTextCursor::Start);
        fUi->edtLeftFoot->setFocus();
    } else if (page == fUi->shtImages) {
        fUi->lbxImages->setFocus();
        if (fUi->lbxImages->count() == 0)
            NewImage();
        else if (fUi->lbxImages->currentRow() == 0)
            ShowImage(0);
        else
            fUi->lbxImages->setCurrentRow(0);
    }
}

void TkvnPrintSetupDlg::StoreImage()
{
    if (fBusy || fImageIndex < 0 || fImageIndex >= fUi->lbxImages->count()) return;
    TImageEntry image;
    image.X = fUi->edtXPos->GetIntValue();
    image.Y = fUi->edtYPos->GetIntValue();
    image.Scale = fUi->edtScale->GetIntValue();
    image.Align = fUi->rbAlignRight->isChecked() ? 1 : fUi->rbAlignCenter->isChecked() ? 2 : 0;
    image.File = fUi->edtImgFile->Text().toStdString();
    // Changing an item's data must not move the list the user is looking at.
    int scroll = fUi->lbxImages->verticalScrollBar()->value();
    fUi->lbxImages->item(fImageIndex)->setData(kEntryRole, QString::fromStdString(ImageEntryText(image)));
    fUi->lbxImages->verticalScrollBar()->setValue(scroll);
}

void TkvnPrintSetupDlg::ShowImage(int row)
{
    fBusy = true;
    TImageEntry image;
    if (row >= 0) image = ParseImageEntry(fUi->lbxImages->item(row)->data(kEntryRole).toString().toStdString());
    fUi->edtXPos->SetIntValue(image.X);
    fUi->edtYPos->SetIntValue(image.Y);
    fUi->edtScale->SetIntValue(image.Scale);
    QRadioButton* alignments[3] = {fUi->rbAlignLeft, fUi->rbAlignRight, fUi->rbAlignCenter};
    alignments[std::clamp(image.Align, 0, 2)]->setChecked(true);
    fUi->edtImgFile->setText(QString::fromStdString(image.File));
    fImageIndex = row;
    fBusy = false;
}

void TkvnPrintSetupDlg::ImageSelected(int row)
{
    if (fBusy) return;
    StoreImage();
    ShowImage(row);
}

void TkvnPrintSetupDlg::NewImage()
{
    StoreImage();
    auto* item = new QListWidgetItem(fUi->lbxImages);
    item->setData(kEntryRole, QString());
    fUi->lbxImages->setCurrentItem(item);
    if (fUi->pgeAll->currentWidget() == fUi->shtImages) fUi->edtImgFile->setFocus();
}

void TkvnPrintSetupDlg::DeleteImage()
{
    int row = fUi->lbxImages->currentRow();
    if (row < 0) return;
    // The deleted entry is not stored first: its fields go with it.
    fBusy = true;
    delete fUi->lbxImages->takeItem(row);
    fImageIndex = -1;
    fBusy = false;
    if (fUi->lbxImages->count() == 0) {
        NewImage();
        return;
    }
    int next = std::min(row, fUi->lbxImages->count() - 1);
    fBusy = true;
    fUi->lbxImages->setCurrentRow(next);
    fBusy = false;
    ShowImage(next);
}

void TkvnPrintSetupDlg::EditTemplate()
{
    QString fileName = fUi->edtHtmlFile->Text();
    if (fileName.isEmpty()) return;
    std::string path = fileName.toStdString();
    std::error_code error;
    bool exists = std::filesystem::exists(path, error);
    if (!exists && !AskYesNo(GetLanguage().GetText("G", 90))) return;
    QStringList text = exists ? LoadTextLines(path) : QStringList();
    EditNote(kTemplateColumns, kTemplateRows, NoteEditFixedFace(), text, fileName, this,
             [&path](const QStringList& lines) { return SaveTextLines(path, lines); });
}

} // namespace kvn
