#include "listHeader.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>

namespace veltro {

TListHeader::TListHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), fModel(new QStandardItemModel(0, 0, this))
{
    setModel(fModel);
    setSectionsClickable(false);
    setSectionsMovable(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setHighlightSections(false);
    // A section may not shrink below its minimum; Qt knows only one minimum for all sections.
    connect(this, &QHeaderView::sectionResized, this, [this](int index, int, int newSize) {
        if (index >= 0 && static_cast<std::size_t>(index) < fMinimumWidths.size() &&
            newSize < fMinimumWidths[static_cast<std::size_t>(index)] && newSize > 0)
            resizeSection(index, fMinimumWidths[static_cast<std::size_t>(index)]);
    });
}

void TListHeader::SetSections(const std::vector<TSectionSpec>& sections)
{
    fModel->setColumnCount(static_cast<int>(sections.size()));
    fMinimumWidths.clear();
    setMinimumSectionSize(0);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        fMinimumWidths.push_back(sections[i].MinimumWidth);
        SetSection(static_cast<int>(i), sections[i].Caption, sections[i].Alignment, sections[i].Width);
    }
}

void TListHeader::SetSection(int index, const std::string& caption, Qt::Alignment alignment, int width)
{
    fModel->setHeaderData(index, Qt::Horizontal, static_cast<int>(alignment | Qt::AlignVCenter), Qt::TextAlignmentRole);
    resizeSection(index, width);
    SetCaption(index, caption);
}

int TListHeader::CaptionWidth(const std::string& caption) const
{
    // The style draws a caption between a margin on either side.
    int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    return fontMetrics().horizontalAdvance(QString::fromStdString(caption)) + 2 * margin;
}

void TListHeader::SetCaption(int index, const std::string& caption)
{
    fModel->setHeaderData(index, Qt::Horizontal, QString::fromStdString(caption), Qt::DisplayRole);
    // A shown section is at least as wide as its caption: the widths are made for the shortest words, and another
    // language's caption, or the caption of another kind of list, must not be cut off. It never narrows here, so
    // a width the user chose stays where the caption fits.
    int needed = CaptionWidth(caption);
    if (sectionSize(index) > 0 && sectionSize(index) < needed) resizeSection(index, needed);
}

std::string TListHeader::Caption(int index) const
{
    return fModel->headerData(index, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
}

Qt::Alignment TListHeader::Alignment(int index) const
{
    int value = fModel->headerData(index, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
    return Qt::Alignment(value) & Qt::AlignHorizontal_Mask;
}

std::vector<int> TListHeader::Edges() const
{
    std::vector<int> edges{0};
    for (int i = 0; i < count(); ++i)
        edges.push_back(edges.back() + sectionSize(i));
    return edges;
}

void TListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    // A section of width 0 paints nothing, so no stray border appears where the points column is hidden.
    if (rect.width() > 0) QHeaderView::paintSection(painter, rect, logicalIndex);
}

} // namespace veltro
