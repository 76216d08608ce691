#pragma once

#include "View.h"

class ImageView;
class TextField;

// The About panel's content: the icon, the name, the version, the maker's
// address as a link, the credits and the legal notice. Flipped; it builds
// its subviews once and draws nothing itself.
class AboutUsView : public View {
    Q_OBJECT

public:
    // The maker's web site, opened by the link.
    static const QString makerAddress;

    explicit AboutUsView(const QRectF& frame, QWidget* parent = nullptr);
    ~AboutUsView() override;

    // "Version" and the version text, or "Version" alone without one.
    static QString versionLine(const QString& version);

    // Opens the maker's web site in the default browser.
    void linkQRBUrl();

    ImageView* iconView() const { return m_icon; }
    TextField* nameLabel() const { return m_name; }
    TextField* versionLabel() const { return m_version; }
    TextField* linkLabel() const { return m_link; }
    TextField* creditsLabel() const { return m_credits; }
    TextField* legalLabel(int line) const { return line == 0 ? m_legal1 : m_legal2; }

    void mouseDown(const Event& event) override;

private:
    ImageView* m_icon = nullptr;
    TextField* m_name = nullptr;
    TextField* m_version = nullptr;
    TextField* m_link = nullptr;
    TextField* m_credits = nullptr;
    TextField* m_legal1 = nullptr;
    TextField* m_legal2 = nullptr;
};
