#pragma once

#include <QHeaderView>

#include <string>
#include <vector>

class QStandardItemModel;

// The header control above a result list: fixed sections whose widths the user may change but which cannot be
// clicked or moved. The list's column edges are taken from it.

namespace veltro {

struct TSectionSpec {
    std::string Caption;
    Qt::Alignment Alignment;
    int Width;
    int MinimumWidth;
};

class TListHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit TListHeader(QWidget* parent = nullptr);

    // Replaces all sections.
    void SetSections(const std::vector<TSectionSpec>& sections);
    // Changes one section's caption, alignment and width.
    void SetSection(int index, const std::string& caption, Qt::Alignment alignment, int width);
    void SetCaption(int index, const std::string& caption);
    std::string Caption(int index) const;
    Qt::Alignment Alignment(int index) const;
    // Right edges of the sections: x1 = width of section 0, x(i+1) = x(i) + width of section i; element 0 is 0.
    std::vector<int> Edges() const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    // The width a section needs to show the caption whole.
    int CaptionWidth(const std::string& caption) const;

    QStandardItemModel* fModel;
    std::vector<int> fMinimumWidths;
};

} // namespace veltro
