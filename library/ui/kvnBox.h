#pragma once

#include "kvnColors.h"
#include "kvnForm.h"
#include "kvnLanguageForms.h"

#include <QComboBox>
#include <QFlags>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

// The library's combo box and its font combo box. Both keep their colours by state (TColors), translate their own
// texts (ITranslatable) and store their choice in the settings (IIniPersistent).
//
// In a .ui file they are promoted widgets: base class QComboBox, promoted class name "kvn::TKvnComboBox" or
// "kvn::TKvnFontComboBox", header file "kvnBox.h".

namespace kvn {

// A combo box.
class TKvnComboBox : public QComboBox, public ITranslatable, public IIniPersistent {
    Q_OBJECT

public:
    explicit TKvnComboBox(QWidget* parent = nullptr);

    // Selects the last item whose text equals text (case-sensitive); nothing when none does.
    void SelectByText(const QString& text);

    const TColors& Colors() const { return fColors->Colors(); }
    void SetColors(const TColors& colors) { fColors->SetColors(colors); }

    // The hint or ".", then one line per item.
    std::string GetTexts() const override;
    // Line 1 becomes the hint unless it is "."; the items are replaced by the following lines without the trailing
    // ones that are empty or "."; the selected index stays (nothing is selected when it is beyond the new items).
    void SetTexts(const std::vector<std::string>& lines, int first, int count) override;

    // Restores the selected index stored under the object name; an index that does not exist is ignored.
    void LoadFromIni(TKvnCustomIniFile& settings, std::string_view section) override;
    // Stores the selected index (-1 for none) under the object name.
    void SaveToIni(TKvnCustomIniFile& settings, std::string_view section) override;

private:
    TKvnColorKeeper* fColors;
};

// A font face as a device offers it.
struct TKvnFontFace {
    QString Name;
    // Every character has the same width.
    bool FixedPitch = false;
    // A scalable outline face (the kind marked "T" in the list).
    bool Outline = false;

    bool operator==(const TKvnFontFace&) const = default;
};

// The faces a device offers, by device name ("" for the screen).
using TKvnFontFaceSource = std::function<std::vector<TKvnFontFace>(const QString& device)>;

// The faces of QFontDatabase. Qt draws on screen, printers and PDF with the same installed fonts, so every device
// offers these.
std::vector<TKvnFontFace> SystemFontFaces(const QString& device);

// A combo box of the font faces of a device. Each item shows its face name after a small sign, a "T" for an
// outline face; the text the control shows and reports is the face name.
class TKvnFontComboBox : public TKvnComboBox {
    Q_OBJECT
    Q_PROPERTY(QString Device READ Device WRITE SetDevice)

public:
    enum TFontComboOption { tfcVarPitch = 1, tfcFixedPitch = 2, tfcOnlyTrueType = 4 };
    Q_DECLARE_FLAGS(TFontComboOptions, TFontComboOption)

    // Lists the faces of the screen with the system's fonts.
    explicit TKvnFontComboBox(QWidget* parent = nullptr);

    // The device (printer name) whose faces are listed.
    const QString& Device() const { return fDevice; }
    // Switches to another device: the list is rebuilt and keeps the chosen face when the device has it, else
    // nothing is selected.
    void SetDevice(const QString& device);
    // Which faces are listed: variable-pitch ones (tfcVarPitch), fixed-pitch ones (tfcFixedPitch), and with
    // tfcOnlyTrueType only outline faces. The default is tfcVarPitch | tfcOnlyTrueType.
    TFontComboOptions Options() const { return fOptions; }
    void SetOptions(TFontComboOptions options);
    // Keeps the list in alphabetical order (letter case ignored).
    bool Sorted() const { return fSorted; }
    void SetSorted(bool sorted);
    // Where the faces come from (SystemFontFaces unless set); the list is rebuilt.
    void SetFaceSource(TKvnFontFaceSource source);

    // Selects the last item with this face name; nothing when none has it.
    void SelectFont(const QString& faceName);
    // The chosen face name, "" for none.
    QString FaceName() const;
    // True when the item is an outline face.
    bool IsOutline(int index) const;

    // Rebuilds the list from the device's faces and selects the face chosen before, when it is still there.
    void Rebuild();

    // Only the hint ("." when empty): the list is the device's, not the language file's.
    std::string GetTexts() const override;
    // Line 1 becomes the hint unless it is "."; the faces stay.
    void SetTexts(const std::vector<std::string>& lines, int first, int count) override;

    // Restores the face name stored under the object name (a face the device lacks selects nothing).
    void LoadFromIni(TKvnCustomIniFile& settings, std::string_view section) override;
    // Stores the face name: an index would name another face once fonts are installed or removed.
    void SaveToIni(TKvnCustomIniFile& settings, std::string_view section) override;

private:
    bool Fits(const TKvnFontFace& face) const;

    QString fDevice;
    TFontComboOptions fOptions = TFontComboOptions(tfcVarPitch) | tfcOnlyTrueType;
    bool fSorted = false;
    TKvnFontFaceSource fSource;
};

// Draws a font list item: the face name 15 pixels from the left and 1 down, for an outline face after a bold "T"
// in grey at the top left and again in blue 4 pixels right and 2 down.
class TKvnFontItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace kvn

Q_DECLARE_OPERATORS_FOR_FLAGS(kvn::TKvnFontComboBox::TFontComboOptions)
