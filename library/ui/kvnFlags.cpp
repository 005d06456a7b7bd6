#include "kvnFlags.h"

#include "kvnNations.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QtMath>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvn {

namespace {

constexpr int kPictureSize = 16;
constexpr QRgb kFrameColour = 0xFF808080;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFD52B1E;
constexpr QRgb kDarkRed = 0xFFC8102E;
constexpr QRgb kBlue = 0xFF0033A0;
constexpr QRgb kNavy = 0xFF012169;
constexpr QRgb kSkyBlue = 0xFF00A1DE;
constexpr QRgb kGreen = 0xFF009246;
constexpr QRgb kDarkGreen = 0xFF006600;
constexpr QRgb kYellow = 0xFFFFCD00;
constexpr QRgb kGold = 0xFFFFCE00;
constexpr QRgb kOrange = 0xFFFF883E;

// One painted element of a flag. Coordinates are fractions of the flag's width (x) and height (y); disc radii
// are fractions of the height so discs stay round; widths of lines and outlines are in pixels.
struct TShape {
    enum TKind { Rect, Disc, Polygon, Outline, Line, Star } Kind;
    QRgb Colour;
    QPolygonF Points;
    qreal Size = 0;
    int Corners = 0; // points of a star
};

struct TFlagDesign {
    bool Square = false;
    std::vector<TShape> Shapes;
    // Regional associations carry a two-colour tab beside a square flag; 0 when there is none.
    QRgb TabTop = 0;
    QRgb TabBottom = 0;
};

// Builds a design from stripes, crosses and small figures.
class TFlagBuilder {
public:
    TFlagBuilder& Fill(QRgb colour) { return Rect(0, 0, 1, 1, colour); }

    TFlagBuilder& Rect(qreal x1, qreal y1, qreal x2, qreal y2, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Rect, colour, QPolygonF({QPointF(x1, y1), QPointF(x2, y2)})});
        return *this;
    }

    // Horizontal stripes from the top, each as high as its weight's share (all 1 when no weights are given).
    TFlagBuilder& Horizontal(std::initializer_list<QRgb> colours, std::initializer_list<int> weights = {})
    {
        return Stripes(colours, weights, false);
    }

    // Vertical stripes from the hoist.
    TFlagBuilder& Vertical(std::initializer_list<QRgb> colours, std::initializer_list<int> weights = {})
    {
        return Stripes(colours, weights, true);
    }

    // A cross of full length between the given bands, as the Nordic and the British crosses are.
    TFlagBuilder& Cross(qreal x1, qreal x2, qreal y1, qreal y2, QRgb colour)
    {
        Rect(x1, 0, x2, 1, colour);
        return Rect(0, y1, 1, y2, colour);
    }

    TFlagBuilder& Disc(qreal x, qreal y, qreal radius, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Disc, colour, QPolygonF({QPointF(x, y)}), radius});
        return *this;
    }

    TFlagBuilder& Line(qreal x1, qreal y1, qreal x2, qreal y2, qreal width, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Line, colour, QPolygonF({QPointF(x1, y1), QPointF(x2, y2)}), width});
        return *this;
    }

    TFlagBuilder& Polygon(std::initializer_list<QPointF> points, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Polygon, colour, QPolygonF(points)});
        return *this;
    }

    TFlagBuilder& Outline(std::initializer_list<QPointF> points, qreal width, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Outline, colour, QPolygonF(points), width});
        return *this;
    }

    // A regular star of the given number of points; the radius is a fraction of the height.
    TFlagBuilder& Star(qreal x, qreal y, qreal radius, int points, QRgb colour)
    {
        fDesign.Shapes.push_back({TShape::Star, colour, QPolygonF({QPointF(x, y)}), radius, points});
        return *this;
    }

    TFlagBuilder& Square()
    {
        fDesign.Square = true;
        return *this;
    }

    TFlagBuilder& Tab(QRgb top, QRgb bottom)
    {
        fDesign.TabTop = top;
        fDesign.TabBottom = bottom;
        return *this;
    }

    TFlagDesign Done() { return std::move(fDesign); }

private:
    TFlagBuilder& Stripes(std::initializer_list<QRgb> colours, std::initializer_list<int> weights, bool vertical)
    {
        std::vector<int> shares(weights);
        if (shares.size() != colours.size()) shares.assign(colours.size(), 1);
        int total = 0;
        for (int share : shares)
            total += share;
        int done = 0;
        std::size_t i = 0;
        for (QRgb colour : colours) {
            qreal from = qreal(done) / total;
            done += shares[i++];
            qreal to = qreal(done) / total;
            if (vertical) {
                Rect(from, 0, to, 1, colour);
            } else {
                Rect(0, from, 1, to, colour);
            }
        }
        return *this;
    }

    TFlagDesign fDesign;
};

TFlagDesign SwissFlag(QRgb tabTop = 0, QRgb tabBottom = 0)
{
    return TFlagBuilder()
        .Square()
        .Fill(kRed)
        .Rect(0.4, 0.2, 0.6, 0.8, kWhite)
        .Rect(0.2, 0.4, 0.8, 0.6, kWhite)
        .Tab(tabTop, tabBottom)
        .Done();
}

// Cross bands of the Nordic flags on a 14 x 10 pixel field: the upright sits towards the hoist.
TFlagDesign NordicFlag(QRgb field, QRgb cross, QRgb inner = 0)
{
    TFlagBuilder builder;
    builder.Fill(field);
    if (inner == 0) return builder.Cross(4.0 / 14, 7.0 / 14, 0.35, 0.65, cross).Done();
    builder.Cross(4.0 / 14, 8.0 / 14, 0.3, 0.7, cross);
    return builder.Cross(5.0 / 14, 7.0 / 14, 0.4, 0.6, inner).Done();
}

const std::map<std::string, TFlagDesign, std::less<>>& FlagDesigns()
{
    static const std::map<std::string, TFlagDesign, std::less<>> designs = [] {
        std::map<std::string, TFlagDesign, std::less<>> map;
        map["SUI"] = SwissFlag();
        map["GER"] = TFlagBuilder().Horizontal({kBlack, 0xFFDD0000, kGold}).Done();
        map["AUT"] = TFlagBuilder().Horizontal({0xFFED2939, kWhite, 0xFFED2939}).Done();
        map["BEL"] = TFlagBuilder().Vertical({kBlack, 0xFFFDDA24, 0xFFEF3340}).Done();
        map["BUL"] = TFlagBuilder().Horizontal({kWhite, 0xFF00966E, kRed}).Done();
        map["DEN"] = NordicFlag(kDarkRed, kWhite);
        map["ESP"] = TFlagBuilder().Horizontal({0xFFAA151B, 0xFFF1BF00, 0xFFAA151B}, {1, 2, 1}).Done();
        map["EST"] = TFlagBuilder().Horizontal({0xFF0072CE, kBlack, kWhite}).Done();
        map["FIN"] = NordicFlag(kWhite, 0xFF002F6C);
        map["FRA"] = TFlagBuilder().Vertical({0xFF002395, kWhite, 0xFFED2939}).Done();
        map["GBR"] = TFlagBuilder()
                         .Fill(kNavy)
                         .Line(0, 0, 1, 1, 2, kWhite)
                         .Line(0, 1, 1, 0, 2, kWhite)
                         .Line(0, 0, 1, 1, 1, kDarkRed)
                         .Line(0, 1, 1, 0, 1, kDarkRed)
                         .Cross(5.0 / 14, 9.0 / 14, 0.3, 0.7, kWhite)
                         .Cross(6.0 / 14, 8.0 / 14, 0.4, 0.6, kDarkRed)
                         .Done();
        map["GRE"] = TFlagBuilder()
                         .Horizontal({0xFF0D5EAF, kWhite, 0xFF0D5EAF, kWhite, 0xFF0D5EAF, kWhite, 0xFF0D5EAF, kWhite,
                                      0xFF0D5EAF})
                         .Rect(0, 0, 5.0 / 14, 5.0 / 9, 0xFF0D5EAF)
                         .Rect(2.0 / 14, 0, 3.0 / 14, 5.0 / 9, kWhite)
                         .Rect(0, 2.0 / 9, 5.0 / 14, 3.0 / 9, kWhite)
                         .Done();
        map["HUN"] = TFlagBuilder().Horizontal({0xFFCD2A3E, kWhite, 0xFF436F4D}).Done();
        map["IRL"] = TFlagBuilder().Vertical({0xFF169B62, kWhite, kOrange}).Done();
        map["ISL"] = NordicFlag(0xFF02529C, kWhite, 0xFFDC1E35);
        map["ISR"] = TFlagBuilder()
                         .Fill(kWhite)
                         .Rect(0, 0.1, 1, 0.3, 0xFF0038B8)
                         .Rect(0, 0.7, 1, 0.9, 0xFF0038B8)
                         .Outline({QPointF(0.5, 0.3), QPointF(0.64, 0.62), QPointF(0.36, 0.62)}, 1, 0xFF0038B8)
                         .Outline({QPointF(0.5, 0.7), QPointF(0.64, 0.38), QPointF(0.36, 0.38)}, 1, 0xFF0038B8)
                         .Done();
        map["ITA"] = TFlagBuilder().Vertical({kGreen, kWhite, 0xFFCE2B37}).Done();
        map["LAT"] = TFlagBuilder().Horizontal({0xFF9E3039, kWhite, 0xFF9E3039}, {2, 1, 2}).Done();
        map["LIE"] = TFlagBuilder()
                         .Horizontal({0xFF002B7F, 0xFFCE1126})
                         .Polygon({QPointF(0.1, 0.4), QPointF(0.1, 0.15), QPointF(0.16, 0.26), QPointF(0.22, 0.12),
                                   QPointF(0.28, 0.26), QPointF(0.34, 0.15), QPointF(0.34, 0.4)},
                                  kGold)
                         .Done();
        map["LTU"] = TFlagBuilder().Horizontal({0xFFFDB913, 0xFF006A44, 0xFFC1272D}).Done();
        map["LUX"] = TFlagBuilder().Horizontal({0xFFED2939, kWhite, kSkyBlue}).Done();
        map["MKD"] = TFlagBuilder()
                         .Fill(kRed)
                         .Line(0.5, 0.5, 0, 0, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 0.5, 0, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 1, 0, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 1, 0.5, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 1, 1, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 0.5, 1, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 0, 1, 1.5, 0xFFF8E92E)
                         .Line(0.5, 0.5, 0, 0.5, 1.5, 0xFFF8E92E)
                         .Disc(0.5, 0.5, 0.22, 0xFFF8E92E)
                         .Done();
        map["MON"] = TFlagBuilder().Horizontal({kRed, kWhite}).Done();
        map["NED"] = TFlagBuilder().Horizontal({0xFFAE1C28, kWhite, 0xFF21468B}).Done();
        map["NOR"] = NordicFlag(0xFFBA0C2F, kWhite, 0xFF00205B);
        map["POL"] = TFlagBuilder().Horizontal({kWhite, 0xFFDC143C}).Done();
        map["POR"] = TFlagBuilder()
                         .Vertical({kDarkGreen, 0xFFFF0000}, {2, 3})
                         .Disc(0.4, 0.5, 0.3, kYellow)
                         .Disc(0.4, 0.5, 0.17, 0xFFFF0000)
                         .Disc(0.4, 0.5, 0.08, kWhite)
                         .Done();
        map["ROM"] = TFlagBuilder().Vertical({0xFF002B7F, 0xFFFCD116, 0xFFCE1126}).Done();
        map["RUS"] = TFlagBuilder().Horizontal({kWhite, 0xFF0039A6, 0xFFD52B1E}).Done();
        map["SLO"] = TFlagBuilder()
                         .Horizontal({kWhite, 0xFF005DA4, 0xFFED1C24})
                         .Polygon({QPointF(0.2, 0.12), QPointF(0.42, 0.12), QPointF(0.42, 0.42), QPointF(0.31, 0.58),
                                   QPointF(0.2, 0.42)},
                                  0xFFED1C24)
                         .Polygon({QPointF(0.24, 0.2), QPointF(0.38, 0.2), QPointF(0.38, 0.4), QPointF(0.31, 0.5),
                                   QPointF(0.24, 0.4)},
                                  0xFF005DA4)
                         .Done();
        map["SVK"] = TFlagBuilder()
                         .Horizontal({kWhite, 0xFF0B4EA2, 0xFFEE1C25})
                         .Polygon({QPointF(0.18, 0.15), QPointF(0.46, 0.15), QPointF(0.46, 0.65), QPointF(0.32, 0.85),
                                   QPointF(0.18, 0.65)},
                                  kWhite)
                         .Polygon({QPointF(0.22, 0.22), QPointF(0.42, 0.22), QPointF(0.42, 0.62), QPointF(0.32, 0.76),
                                   QPointF(0.22, 0.62)},
                                  0xFFEE1C25)
                         .Rect(0.3, 0.25, 0.36, 0.65, kWhite)
                         .Rect(0.25, 0.38, 0.4, 0.46, kWhite)
                         .Done();
        map["SWE"] = NordicFlag(0xFF006AA7, 0xFFFECC00);
        map["TUR"] = TFlagBuilder()
                         .Fill(0xFFE30A17)
                         .Disc(0.36, 0.5, 0.27, kWhite)
                         .Disc(0.42, 0.5, 0.21, 0xFFE30A17)
                         .Star(0.64, 0.5, 0.15, 5, kWhite)
                         .Done();
        map["UKR"] = TFlagBuilder().Horizontal({0xFF0057B7, 0xFFFFD700}).Done();
        map["YUG"] = TFlagBuilder().Horizontal({kBlue, kWhite, kRed}).Done();
        // The regional associations have emblems of their own rather than flags; a Swiss flag with a tab of two
        // colours per association keeps them apart in the club tree.
        map["SUI_BUEL"] = SwissFlag(kGreen, kWhite);
        map["SUI_LN"] = SwissFlag(kBlue, kWhite);
        map["SUI_RFN"] = SwissFlag(kYellow, kBlack);
        map["SUI_RN"] = SwissFlag(kBlue, kYellow);
        map["SUI_SCBU"] = SwissFlag(kBlack, kWhite);
        map["SUI_SCU"] = SwissFlag(kGreen, kYellow);
        map["SUI_SKBE"] = SwissFlag(kDarkRed, kYellow);
        return map;
    }();
    return designs;
}

// Nations outside the nation list whose flags the language choice shows.
const std::map<std::string, TFlagDesign, std::less<>>& OtherFlagDesigns()
{
    static const std::map<std::string, TFlagDesign, std::less<>> designs = [] {
        std::map<std::string, TFlagDesign, std::less<>> map;
        // Seven stripes instead of thirteen: more would blur into pink at picture sizes.
        map["USA"] = TFlagBuilder()
                         .Horizontal({0xFFB22234, kWhite, 0xFFB22234, kWhite, 0xFFB22234, kWhite, 0xFFB22234})
                         .Rect(0, 0, 0.45, 4.0 / 7, 0xFF3C3B6E)
                         .Done();
        map["CAN"] = TFlagBuilder()
                         .Vertical({kRed, kWhite, kRed}, {1, 2, 1})
                         .Polygon({QPointF(0.5, 0.12), QPointF(0.56, 0.3), QPointF(0.64, 0.26), QPointF(0.61, 0.5),
                                   QPointF(0.69, 0.44), QPointF(0.66, 0.62), QPointF(0.53, 0.7), QPointF(0.53, 0.88),
                                   QPointF(0.47, 0.88), QPointF(0.47, 0.7), QPointF(0.34, 0.62), QPointF(0.31, 0.44),
                                   QPointF(0.39, 0.5), QPointF(0.36, 0.26), QPointF(0.44, 0.3)},
                                  kRed)
                         .Done();
        map["CZE"] = TFlagBuilder()
                         .Horizontal({kWhite, 0xFFD7141A})
                         .Polygon({QPointF(0, 0), QPointF(0.5, 0.5), QPointF(0, 1)}, 0xFF11457E)
                         .Done();
        // The chequered shield, reduced to four squares.
        map["CRO"] = TFlagBuilder()
                         .Horizontal({0xFFFF0000, kWhite, 0xFF171796})
                         .Rect(0.38, 0.2, 0.62, 0.8, 0xFFFF0000)
                         .Rect(0.5, 0.2, 0.62, 0.5, kWhite)
                         .Rect(0.38, 0.5, 0.5, 0.8, kWhite)
                         .Done();
        map["MEX"] = TFlagBuilder().Vertical({0xFF006847, kWhite, 0xFFCE1126}).Disc(0.5, 0.5, 0.2, 0xFF8C5A2B).Done();
        return map;
    }();
    return designs;
}

const TFlagDesign* FindDesign(const QString& nationCode, bool withOthers)
{
    std::string code = nationCode.toUpper().toStdString();
    const auto& designs = FlagDesigns();
    if (auto design = designs.find(code); design != designs.end()) return &design->second;
    if (!withOthers) return nullptr;
    const auto& others = OtherFlagDesigns();
    auto design = others.find(code);
    return design == others.end() ? nullptr : &design->second;
}

// Paints the design into frame; a tab fills the picture to the right of the frame.
void PaintFlag(QImage& image, const TFlagDesign& design, const QRect& frame)
{
    QRect field = frame.adjusted(1, 1, -1, -1);
    auto at = [&](const QPointF& point) {
        return QPointF(field.left() + point.x() * field.width(), field.top() + point.y() * field.height());
    };

    QPainter painter(&image);
    painter.setClipRect(field);
    for (const TShape& shape : design.Shapes) {
        QColor colour = QColor::fromRgba(shape.Colour);
        switch (shape.Kind) {
        case TShape::Rect: {
            // Whole pixels keep stripe edges sharp at this size.
            QPointF topLeft = at(shape.Points[0]);
            QPointF bottomRight = at(shape.Points[1]);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.fillRect(QRect(QPoint(qRound(topLeft.x()), qRound(topLeft.y())),
                                   QPoint(qRound(bottomRight.x()) - 1, qRound(bottomRight.y()) - 1)),
                             colour);
            break;
        }
        case TShape::Disc: {
            qreal radius = shape.Size * field.height();
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawEllipse(at(shape.Points[0]), radius, radius);
            break;
        }
        case TShape::Polygon:
        case TShape::Outline: {
            QPolygonF polygon;
            for (const QPointF& point : shape.Points)
                polygon << at(point);
            painter.setRenderHint(QPainter::Antialiasing, true);
            if (shape.Kind == TShape::Polygon) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(colour);
            } else {
                painter.setPen(QPen(colour, shape.Size));
                painter.setBrush(Qt::NoBrush);
            }
            painter.drawPolygon(polygon);
            break;
        }
        case TShape::Star: {
            // Built in pixels, so the star keeps its shape on a field wider than high.
            QPointF centre = at(shape.Points[0]);
            qreal radius = shape.Size * field.height();
            QPolygonF star;
            for (int i = 0; i < 2 * shape.Corners; ++i) {
                qreal r = (i % 2 == 0) ? radius : radius * 0.4;
                qreal angle = -M_PI / 2 + i * M_PI / shape.Corners;
                star << QPointF(centre.x() + r * qCos(angle), centre.y() + r * qSin(angle));
            }
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawPolygon(star);
            break;
        }
        case TShape::Line:
            // Blended edges turn thin diagonals into a smear of mixed colours at this size.
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(colour, shape.Size, Qt::SolidLine, Qt::SquareCap));
            painter.drawLine(at(shape.Points[0]), at(shape.Points[1]));
            break;
        }
    }
    painter.setClipping(false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (design.TabTop != 0) {
        QRect tab(frame.right(), frame.top(), image.width() - frame.right(), frame.height());
        QRect inside = tab.adjusted(1, 1, -1, -1);
        int middle = inside.top() + inside.height() / 2;
        painter.fillRect(QRect(inside.left(), inside.top(), inside.width(), middle - inside.top()),
                         QColor::fromRgba(design.TabTop));
        painter.fillRect(QRect(inside.left(), middle, inside.width(), inside.bottom() + 1 - middle),
                         QColor::fromRgba(design.TabBottom));
        painter.setPen(QColor::fromRgba(kFrameColour));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(tab.adjusted(0, 0, -1, -1));
    }
    // A thin frame keeps white flags visible on a white tree.
    painter.setPen(QColor::fromRgba(kFrameColour));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

QImage EmptyPicture(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QPixmap FlagPicture(const QString& nationCode)
{
    const TFlagDesign* design = FindDesign(nationCode, false);
    if (design == nullptr) return QPixmap();
    QImage image = EmptyPicture(QSize(kPictureSize, kPictureSize));
    // Flags are 4:3 in the middle rows of the picture; square ones leave room for a tab.
    QRect frame = design->Square ? QRect(0, 2, 12, 12) : QRect(0, 2, 16, 12);
    if (design->Square && design->TabTop == 0) frame.moveLeft(2);
    PaintFlag(image, *design, frame);
    return QPixmap::fromImage(image);
}

QPixmap FlagPicture(const QString& nationCode, const QSize& size)
{
    const TFlagDesign* design = FindDesign(nationCode, true);
    if (design == nullptr || size.width() < 3 || size.height() < 3) return QPixmap();
    QImage image = EmptyPicture(size);
    QRect frame(QPoint(0, 0), size);
    if (design->Square) {
        // A tab takes a quarter of the width, as it does in the nation list's pictures.
        bool tab = design->TabTop != 0;
        int side = std::min(size.height(), tab ? size.width() * 3 / 4 : size.width());
        frame = QRect(tab ? 0 : (size.width() - side) / 2, (size.height() - side) / 2, side, side);
    }
    PaintFlag(image, *design, frame);
    return QPixmap::fromImage(image);
}

void LoadFlags(QList<QPixmap>& images, std::vector<std::string>& nations)
{
    for (std::string_view code : NationCodes()) {
        int index = static_cast<int>(images.size());
        images.append(FlagPicture(QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size()))));
        nations.push_back(NationListLine(code, index));
    }
}

} // namespace kvn
