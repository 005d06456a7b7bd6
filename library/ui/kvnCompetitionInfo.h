#pragma once

#include "kvnForm.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class TKvnFCompetitionInfo;
}

// The competition information dialog: name, place, pool, timing and entry deadline of a competition, the
// organiser's contact address with a web address that opens in the browser, and the points table.

namespace kvn {

class TOrvAbstractObject;

class TKvnFCompetitionInfo : public TKvnFormDialog {
    Q_OBJECT

public:
    explicit TKvnFCompetitionInfo(QWidget* parent = nullptr);
    ~TKvnFCompetitionInfo() override;

    TKvnFCompetitionInfo(const TKvnFCompetitionInfo&) = delete;
    TKvnFCompetitionInfo& operator=(const TKvnFCompetitionInfo&) = delete;

    // Fills the fields from a "COMPETITION" object, which gains an empty "DEADLINE" when it has none, and shows the
    // points-table group only when asked to.
    void ShowCompetition(TOrvAbstractObject& competition, bool showPointTable);

    // The organiser's web address as the file gives it; empty when there is none.
    const std::string& WebAddress() const { return fWebAddress; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClearFields();

    std::unique_ptr<Ui::TKvnFCompetitionInfo> fUi;
    std::string fWebAddress;
};

// The pool line: a language format whose "%d" and "%s" take the pool length and the unit in that order; any other
// conversion is copied as it stands, so that a wrong format in a language file cannot harm the program.
std::string FormatPoolText(const std::string& format, int length, const std::string& unit);

// Shows the competition information dialog modally and frees it when it is closed.
void ShowCompetitionInfo(QWidget* parent, TOrvAbstractObject& competition, bool showPointTable);

} // namespace kvn
