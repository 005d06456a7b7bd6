#include "kvnBox.h"

#include "kvnIniFiles.h"

#include <QFontDatabase>
#include <QPainter>
#include <QSignalBlocker>

#include <algorithm>
#include <exception>

namespace kvn {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Item data that tells an outline face.
constexpr int kOutlineRole = Qt::UserRole + 1;

// Where the face name starts in a font list item, in pixels from the left.
constexpr int kFaceIndent = 15;

std::string KeyOf(const QObject& control)
{
    return control.objectName().toStdString();
}

} // namespace

TKvnComboBox::TKvnComboBox(QWidget* parent) : QComboBox(parent), fColors(new TKvnColorKeeper(*this)) {}

void TKvnComboBox::SelectByText(const QString& text)
{
    int found = -1;
    for (int i = 0; i < count(); ++i)
        if (itemText(i) == text) found = i;
    setCurrentIndex(found);
}

std::string TKvnComboBox::GetTexts() const
{
    std::string block = HintOrDot(toolTip());
    for (int i = 0; i < count(); ++i)
        block += std::string(kLineEnd) + OneLine(itemText(i));
    return block;
}

void TKvnComboBox::SetTexts(const std::vector<std::string>& lines, int first, int count)
{
    if (count >= 1) SetHintUnlessDot(*this, lines[static_cast<std::size_t>(first)]);
    int last = first + count - 1;
    while (last > first &&
           (lines[static_cast<std::size_t>(last)].empty() || lines[static_cast<std::size_t>(last)] == "."))
        --last;
    QStringList items;
    for (int i = first + 1; i <= last; ++i)
        items << FromOneLine(lines[static_cast<std::size_t>(i)]);
    int selected = currentIndex();
    // New item texts are no choice of the user; the window hears of none of this.
    QSignalBlocker quiet(this);
    clear();
    addItems(items);
    setCurrentIndex(selected < QComboBox::count() ? selected : -1);
}

void TKvnComboBox::LoadFromIni(TKvnCustomIniFile& settings, std::string_view section)
{
    int index = settings.ReadInteger(section, KeyOf(*this), currentIndex());
    if (index >= -1 && index < count()) setCurrentIndex(index);
}

void TKvnComboBox::SaveToIni(TKvnCustomIniFile& settings, std::string_view section)
{
    settings.WriteInteger(section, KeyOf(*this), currentIndex());
}

std::vector<TKvnFontFace> SystemFontFaces(const QString&)
{
    std::vector<TKvnFontFace> faces;
    for (const QString& family : QFontDatabase::families())
        faces.push_back({family, QFontDatabase::isFixedPitch(family), QFontDatabase::isSmoothlyScalable(family)});
    return faces;
}

TKvnFontComboBox::TKvnFontComboBox(QWidget* parent) : TKvnComboBox(parent), fSource(SystemFontFaces)
{
    setItemDelegate(new TKvnFontItemDelegate(this));
    Rebuild();
}

void TKvnFontComboBox::SetDevice(const QString& device)
{
    if (device == fDevice) return;
    fDevice = device;
    Rebuild();
}

void TKvnFontComboBox::SetOptions(TFontComboOptions options)
{
    fOptions = options;
    Rebuild();
}

void TKvnFontComboBox::SetSorted(bool sorted)
{
    fSorted = sorted;
    Rebuild();
}

void TKvnFontComboBox::SetFaceSource(TKvnFontFaceSource source)
{
    fSource = source ? std::move(source) : TKvnFontFaceSource(SystemFontFaces);
    Rebuild();
}

bool TKvnFontComboBox::Fits(const TKvnFontFace& face) const
{
    if (!fOptions.testFlag(face.FixedPitch ? tfcFixedPitch : tfcVarPitch)) return false;
    return face.Outline || !fOptions.testFlag(tfcOnlyTrueType);
}

void TKvnFontComboBox::Rebuild()
{
    QString chosen = FaceName();
    std::vector<TKvnFontFace> faces;
    try {
        faces = fSource(fDevice);
    } catch (const std::exception&) {
        // A device that cannot tell its faces offers none.
        faces.clear();
    }
    std::erase_if(faces, [this](const TKvnFontFace& face) { return !Fits(face); });
    if (fSorted)
        std::stable_sort(faces.begin(), faces.end(), [](const TKvnFontFace& a, const TKvnFontFace& b) {
            return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
        });
    {
        QSignalBlocker quiet(this);
        clear();
        for (const TKvnFontFace& face : faces) {
            addItem(face.Name);
            setItemData(count() - 1, face.Outline, kOutlineRole);
        }
        setCurrentIndex(-1);
    }
    SelectFont(chosen);
}

void TKvnFontComboBox::SelectFont(const QString& faceName)
{
    SelectByText(faceName);
}

QString TKvnFontComboBox::FaceName() const
{
    return currentIndex() >= 0 ? currentText() : QString();
}

bool TKvnFontComboBox::IsOutline(int index) const
{
    return itemData(index, kOutlineRole).toBool();
}

std::string TKvnFontComboBox::GetTexts() const
{
    return HintOrDot(toolTip());
}

void TKvnFontComboBox::SetTexts(const std::vector<std::string>& lines, int first, int count)
{
    if (count >= 1) SetHintUnlessDot(*this, lines[static_cast<std::size_t>(first)]);
}

void TKvnFontComboBox::LoadFromIni(TKvnCustomIniFile& settings, std::string_view section)
{
    const std::string key = KeyOf(*this);
    if (settings.ValueExists(section, key)) SelectFont(QString::fromStdString(settings.ReadString(section, key, "")));
}

void TKvnFontComboBox::SaveToIni(TKvnCustomIniFile& settings, std::string_view section)
{
    settings.WriteString(section, KeyOf(*this), FaceName().toStdString());
}

void TKvnFontItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect rect = option.rect;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(rect, palette.color(selected ? QPalette::Highlight : QPalette::Base));

    if (index.data(kOutlineRole).toBool()) {
        QFont sign = option.font;
        sign.setBold(true);
        // A small sign: both letters fit in front of the face name.
        sign.setPixelSize(std::max(7, QFontMetrics(option.font).height() * 3 / 5));
        painter->setFont(sign);
        const int ascent = QFontMetrics(sign).ascent();
        painter->setPen(QColor(128, 128, 128));
        painter->drawText(rect.left(), rect.top() + ascent, QStringLiteral("T"));
        painter->setPen(QColor(0, 0, 255));
        painter->drawText(rect.left() + 4, rect.top() + 2 + ascent, QStringLiteral("T"));
    }

    painter->setFont(option.font);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    QRect textRect = rect.adjusted(kFaceIndent, 1, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
    painter->restore();
}

QSize TKvnFontItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QFontMetrics metrics(option.font);
    // Room for the blue sign, 2 pixels below the line.
    int height = metrics.height() + 3;
    int width = kFaceIndent + metrics.horizontalAdvance(index.data().toString()) + 4;
    return {width, height};
}

} // namespace kvn
