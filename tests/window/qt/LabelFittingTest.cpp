// The room a run-time label may grow into and the font size its caption fits at,
// on made-up boxes with a text whose width is proportional to the font size.
#include <QtTest>
#include <vector>

#include "window/qt/LabelFitting.h"

using tqv::window::qt::fitLabel;
using tqv::window::qt::FitRequest;
using tqv::window::qt::PixelBox;
using tqv::window::qt::roomToRight;
using tqv::window::qt::TextExtent;

namespace {

// A caption of `characters` characters, each half as wide as the font is high.
auto proportional(int characters) {
    return [characters](int pixelSize) {
        return TextExtent{characters * pixelSize / 2, pixelSize + 3};
    };
}

}  // namespace

class LabelFittingTest : public QObject {
    Q_OBJECT

private slots:
    void roomEndsAtTheNearestControlSharingRows() {
        const PixelBox label{10, 10, 40, 12};
        const std::vector<PixelBox> others{
            {150, 0, 20, 15},   // shares rows 10..14
            {100, 21, 20, 15},  // shares row 21
            {60, 22, 20, 15},   // starts just below the label: not in the way
            {5, 10, 20, 12},    // starts left of it: an overlap the layout already has
        };
        QCOMPARE(roomToRight(label, 400, others, 2), 100 - 2 - 10);
        // Nothing in the way: the container's edge; an empty control is no obstacle;
        // a label already past the edge has no room rather than less than none.
        const std::vector<PixelBox> empty{{20, 10, 0, 0}};
        QCOMPARE(roomToRight(label, 200, empty, 2), 188);
        QCOMPARE(roomToRight({90, 0, 20, 10}, 80, {}, 2), 0);
    }

    void aCaptionThatFitsKeepsItsSizeAndGrowsOnlyToShowItsText() {
        const auto shortFit = fitLabel({{10, 10, 60, 12}, 300, {}, 12, 8}, proportional(3));
        QCOMPARE(shortFit.width, 60);
        QCOMPARE(shortFit.height, 15);  // grows to the font's height
        QVERIFY(!shortFit.shrunk && !shortFit.clipped);
        const auto longFit = fitLabel({{10, 10, 60, 20}, 300, {}, 12, 8}, proportional(30));
        QCOMPARE(longFit.width, 180);  // 30 characters at 12 px
        QCOMPARE(longFit.height, 20);  // never lower than stored
        QCOMPARE(longFit.pixelSize, 12);
        QVERIFY(!longFit.shrunk);
    }

    void aCaptionTooLongForTheRoomShrinksTheFontUntilItFits() {
        const std::vector<PixelBox> others{{200, 10, 50, 20}};
        // Room 200 - 2 - 10 = 188: 30 characters fit at 12 px (180), not at 19 (285).
        const FitRequest request{{10, 10, 20, 19}, 500, others, 19, 8};
        const auto fit = fitLabel(request, proportional(30));
        QCOMPARE(fit.pixelSize, 12);
        QCOMPARE(fit.width, 180);
        QVERIFY(fit.shrunk);
        QVERIFY(!fit.clipped);
    }

    void aCaptionThatFitsNowhereTakesTheWholeRoomAtTheSmallestSize() {
        const FitRequest request{{10, 0, 20, 12}, 100, {}, 12, 8};
        const auto fit = fitLabel(request, proportional(100));
        QCOMPARE(fit.pixelSize, 8);
        QCOMPARE(fit.width, 100 - 2 - 10);
        QVERIFY(fit.shrunk);
        QVERIFY(fit.clipped);
    }

    void aTallerFontMeetsControlsBelowTheStoredHeight() {
        // The control at top 14 is clear of the stored 12 px label but not of the
        // 15 px one the 12 px font needs; one size smaller the label is 14 px high,
        // passes above the control and may take the whole width.
        const std::vector<PixelBox> others{{100, 14, 20, 20}};
        const FitRequest request{{0, 0, 20, 12}, 400, others, 12, 8};
        const auto fit = fitLabel(request, proportional(20));  // 120 px at 12
        QCOMPARE(fit.pixelSize, 11);
        QCOMPARE(fit.width, 110);
        QCOMPARE(fit.height, 14);
        QVERIFY(!PixelBox({0, 0, fit.width, fit.height}).intersects(others[0]));
    }

    void theStoredWidthIsKeptEvenWhereTheRoomIsNarrower() {
        // The table overlaps by design in places; fitting never makes it worse or
        // cuts a label below its stored size.
        const std::vector<PixelBox> others{{30, 0, 20, 12}};
        const FitRequest request{{0, 0, 40, 12}, 400, others, 12, 8};
        const auto fit = fitLabel(request, proportional(2));
        QCOMPARE(fit.width, 40);
        QVERIFY(!fit.shrunk);
    }
};

QTEST_APPLESS_MAIN(LabelFittingTest)
#include "LabelFittingTest.moc"
