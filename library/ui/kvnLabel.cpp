#include "kvnLabel.h"

namespace kvn {

namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";

// The key changes with every byte, so that repeated letters do not show as repeated pairs.
unsigned char KeyAt(std::size_t index)
{
    return static_cast<unsigned char>(0x5A + 7 * index);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string ScrambleCaption(std::string_view caption)
{
    std::string scrambled;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        unsigned char mixed = static_cast<unsigned char>(caption[i]) ^ KeyAt(i);
        scrambled += kHexDigits[mixed >> 4];
        scrambled += kHexDigits[mixed & 0x0F];
    }
    return scrambled;
}

std::string UnscrambleCaption(std::string_view scrambled)
{
    if (scrambled.size() % 2 != 0) return {};
    std::string caption;
    for (std::size_t i = 0; i < scrambled.size(); i += 2) {
        int high = HexValue(scrambled[i]);
        int low = HexValue(scrambled[i + 1]);
        if (high < 0 || low < 0) return {};
        caption += static_cast<char>(static_cast<unsigned char>(high << 4 | low) ^ KeyAt(i / 2));
    }
    return caption;
}

TkvnLabel::TkvnLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TkvnLabel::setScrambledCaption(const QString& scrambled)
{
    fScrambled = scrambled;
    setText(QString::fromStdString(UnscrambleCaption(scrambled.toStdString())));
}

} // namespace kvn
