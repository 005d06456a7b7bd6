// Renders the top of an HTML page as the program's text widgets lay it out, for the documentation: the index of an
// HTML result book (docs/result-book-index.png) comes from it. No browser is needed.
//
//     QT_QPA_PLATFORM=offscreen build-release/tools/html_shot book.htm docs/result-book-index.png [WIDTH HEIGHT]

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <cstdio>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: html_shot PAGE.htm OUTPUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    QApplication application(argc, argv);
    int width = argc == 5 ? std::stoi(argv[3]) : 800;
    int height = argc == 5 ? std::stoi(argv[4]) : 900;
    QFile page(QString::fromLocal8Bit(argv[1]));
    if (!page.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "html_shot: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    document.setHtml(QString::fromUtf8(page.readAll()));
    document.setTextWidth(width);
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    document.drawContents(&painter, QRectF(0, 0, width, height));
    painter.end();
    return picture.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
