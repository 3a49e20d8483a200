#pragma once

#include <brenvik/version.h>

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QFrame;

namespace brenvik {

// The box that greets the user while the program starts, answers Help > About, and says
// goodbye at the end. It lives from the main window's creation to the end of the run; only
// its caption, height, cursor and comment change between the roles.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    enum class Role { Splash, About, Farewell };

    static constexpr int kClientWidth = 366;
    static constexpr int kShortHeight = 176; // splash and farewell: the OK button is cut off
    static constexpr int kAboutHeight = 213;

    // `folder`: where "GEARWHL2.bmp" is looked for. `computer`, `user`: shown on one line.
    TAboutBox(const QString& folder, const QString& computer, const QString& user,
              QWidget* parent = nullptr);
    ~TAboutBox() override;

    static QString applicationTitle() { return QStringLiteral("Brenvik"); }
    static QString versionText() { return QStringLiteral(BRENVIK_VERSION); }
    static QString makerName() { return QStringLiteral("Tolmaric"); }
    static QString makerAddress() { return QStringLiteral("https://tolmaric.example.org/brenvik"); }
    // The product's one-line description shown by Help > About.
    static QString description();
    // The licence line beside Help > About's OK button.
    static QString licenceText();

    // Caption, client height and cursor of a role; does not show or hide the box.
    void setRole(Role role);
    Role role() const { return role_; }
    void setComments(const QString& text);
    QString comments() const;

    // Shows the box without a modal loop as the start-up splash, with the hourglass.
    void showSplash();
    // Hides the splash and turns the box into the About window.
    void endSplash();
    // Help > About: description in the comment line, modal until OK.
    int execAbout();
    // The goodbye screen: shown without a modal loop, with the hourglass.
    void showFarewell();
    // The goodbye screen on its own (a second start, no main window): shown for `ms`
    // milliseconds, then hidden, then `then` runs. Returns at once.
    void showFarewellThen(int ms, std::function<void()> then);

    // Called with the maker's address when its label is clicked; the main window routes it
    // to the desktop's open action.
    void setAddressHandler(std::function<void(const QString&)> handler) {
        addressHandler_ = std::move(handler);
    }

    QLabel* productName() const { return productName_; }
    QLabel* pictureLabel() const { return programIcon_; }
    QLabel* addressLabel() const { return address_; }
    QLabel* namesLabel() const { return names_; }
    QPushButton* okButton() const { return okButton_; }
    bool hasPicture() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void pushWaitCursor();
    void popWaitCursor();
    void showNow();
    void addressActivated(const QString& link);

    Role role_ = Role::Splash;
    bool waitCursor_ = false;
    QFrame* panel_ = nullptr;
    QLabel* programIcon_ = nullptr;
    QLabel* productName_ = nullptr;
    QLabel* maker_ = nullptr;
    QLabel* address_ = nullptr;
    QLabel* names_ = nullptr;
    QLabel* comments_ = nullptr;
    QLabel* licence_ = nullptr;
    QPushButton* okButton_ = nullptr;
    std::function<void(const QString&)> addressHandler_;
};

} // namespace brenvik
