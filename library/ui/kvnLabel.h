#pragma once

#include "kvnLanguageForms.h"

#include <QLabel>
#include <QString>

#include <string>
#include <string_view>

// A label whose caption is fixed by the program's maker: the design data hold it scrambled, so that it is not
// found or changed as plain text there, and it is neither exported to nor translated from language files.

namespace kvn {

// The caption as the design data hold it: every byte of the UTF-8 text mixed with a running key, in hexadecimal.
std::string ScrambleCaption(std::string_view caption);

// The caption of a scrambled text; empty when the text is no scrambled caption (odd length, no hex digits).
std::string UnscrambleCaption(std::string_view scrambled);

class TkvnLabel : public QLabel, public ITranslatable {
    Q_OBJECT
    Q_PROPERTY(QString scrambledCaption READ scrambledCaption WRITE setScrambledCaption)

public:
    explicit TkvnLabel(QWidget* parent = nullptr);

    // The scrambled caption as set from the design data.
    QString scrambledCaption() const { return fScrambled; }
    // Sets the scrambled caption and shows it unscrambled (named as the design data loader expects).
    void setScrambledCaption(const QString& scrambled);

    // The fixed caption takes no part in the form sections.
    std::string GetTexts() const override { return {}; }
    void SetTexts(const std::vector<std::string>&, int, int) override {}

private:
    QString fScrambled;
};

} // namespace kvn
