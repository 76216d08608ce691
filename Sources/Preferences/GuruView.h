#pragma once

#include "View.h"

#include <QFont>

class Button;
class ImageView;

// The content of a tip: the pictures of one pane, one page at a time, with
// arrows to turn the pages that show only while the mouse is over the tip.
// Not flipped: y grows upwards from the bottom-left corner.
class GuruView : public View {
    Q_OBJECT

public:
    // The size of an arrow button and its distance from the side edges.
    static constexpr double arrowSize = 45;
    static constexpr double prevArrowX = 5;
    static constexpr double nextArrowInset = 50;

    explicit GuruView(int type, QWidget* parent = nullptr);
    ~GuruView() override;

    // The tip types: pages and the text key of the pictures' base name.
    // A type outside them has one page and no base name.
    static int pageCountOfType(int type);
    // The base name of a type's pictures, from the text table.
    static QString imageBaseOfType(int type);
    // The picture of a page: the base name (the key's text) and the page
    // number, as one name ("" when the type has no base name).
    static QString imageNameOfPage(int type, int page);
    // Where a click opens the service's site, from the bottom-left corner.
    static QRectF siteSpot() { return QRectF(15, 38, 100, 10); }
    // The words of a page, from the text table ("" for an unknown type).
    static QString wordsOfPage(int type, int page);
    // Where the words stand: the blank strip under the site spot, from the
    // bottom-left corner of a tip of the given size.
    static QRectF wordsRect(const QSizeF& tipSize);

    int typeOfGuru() const { return m_typeOfGuru; }
    void setTypeOfGuru(int type);
    int maxPages() const { return m_maxPages; }
    int currentPage() const { return m_currentPage; }
    // Shows the page (kept within 1 to maxPages); the view takes the size of
    // its picture, and the popover showing it follows.
    void setCurrentPage(int page);
    QString imageName() const { return m_imageName; }
    // The words on show and the font they are drawn in: the largest that
    // lets them fit the strip, wrapped.
    QString words() const { return m_words; }
    QFont wordsFont() const { return m_wordsFont; }

    // Shows exactly the arrows that lead to another page.
    void updatePages();
    void goPrev();
    void goNext();

    ImageView* guruImageView() const { return m_guruImageView; }
    Button* prevPage() const { return m_prevPage; }
    Button* nextPage() const { return m_nextPage; }

    void mouseDown(const Event& event) override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void updateTrackingAreas() override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    void leaveEvent(QEvent* event) override;

private:
    enum TrackingNumber { WholeTip = 1, WebsiteSpot = 2 };

    void ensureTrackingArea();
    void placeArrows();

    int m_typeOfGuru = 0;
    int m_maxPages = 1;
    int m_currentPage = 1;
    QString m_imageName;
    QString m_words;
    QFont m_wordsFont;
    ImageView* m_guruImageView = nullptr;
    View* m_wordsView = nullptr;
    Button* m_prevPage = nullptr;
    Button* m_nextPage = nullptr;
    int m_guruTrackingArea = 0;
    int m_ourWebsiteArea = 0;
};
