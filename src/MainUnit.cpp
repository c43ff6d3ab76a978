// The window's construction, the binding of its events by name, and the
// creation and activation sequences.
#include "MainUnit.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFont>
#include <QHeaderView>
#include <QResource>
#include <QScreen>

#include <string_view>

#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/JpegImage.h"

namespace {

// The layout's font, "MS Sans Serif" 8 points: 11 pixels high at 96 pixels
// per inch, with metric-compatible faces where the original is missing.
QFont FormFont() {
    QFont::insertSubstitutions("MS Sans Serif",
                               {"Liberation Sans", "Arimo", "Arial", "DejaVu Sans"});
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

std::string HandlerName(const QObject* control, const char* event) {
    return control->property(event).toString().toStdString();
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    setFont(FormFont());
    // Headers take their font from the platform theme unless told otherwise.
    for (QHeaderView* header : findChildren<QHeaderView*>())
        header->setFont(font());
    // The title bar takes the 16-pixel icon, a task bar the 32-pixel one.
    QIcon icon(":/orvalla16.png");
    icon.addFile(":/orvalla32.png");
    setWindowIcon(icon);
    // A dialog-style frame: the system menu and the close box only.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(522, 396);
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    // Placed before the window exists, so that the toolkit asks the window
    // manager for the frame only once the window has one.
    CentreOnScreen();

    lvCookies->AddColumn("Address", 125);
    lvCookies->AddColumn("Hits", 38, Qt::AlignHCenter);
    lvCookies->AddColumn("Modified", 122);
    lvCookies->AddColumn("Expires", 122);
    lvCookies->AddColumn("Full Address", 100);

    StringGrid1->SetColCount(3);
    StringGrid1->SetRowCount(11);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetDefaultRowHeight(14);
    StringGrid1->SetColWidths(0, 109);
    StringGrid1->SetColWidths(1, 221);
    StringGrid1->SetColWidths(2, 306);

    CallHandler([this] { LoadBanner(); });
    BindEvents();
    if (HandlerName(this, "OnCreate") == "FormCreate")
        CallHandler([this] { FormCreate(this); });
}

TMainForm::~TMainForm() = default;

void TMainForm::LoadBanner() {
    const QResource banner(":/banner.jpg");
    const QByteArray jpeg = banner.uncompressedData();
    const QImage picture =
        DecodeJpeg(reinterpret_cast<const unsigned char*>(jpeg.constData()), jpeg.size());
    Image1->setPixmap(QPixmap::fromImage(picture));
}

// Every event the layout names is bound to the handler of that name; a name
// without a handler is a fault in the layout and stops the build of the window.
void TMainForm::BindEvents() {
    static const std::map<std::string_view, TNotifyEvent> clickHandlers = {
        {"btnRefreshClick", &TMainForm::btnRefreshClick},
        {"btnCheckClick", &TMainForm::btnCheckClick},
        {"btnDeleteClick", &TMainForm::btnDeleteClick},
        {"Button8Click", &TMainForm::Button8Click},
        {"Button9Click", &TMainForm::Button9Click},
    };
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const std::string name = HandlerName(button, "OnClick");
        if (name.empty())
            continue;
        const auto handler = clickHandlers.find(name);
        if (handler == clickHandlers.end()) {
            throw Exception("The layout binds " + button->objectName().toStdString() +
                            " to the unknown handler " + name);
        }
        onClick_[button] = handler->second;
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { CallHandler([this, button] { Click(button); }); });
    }

    if (HandlerName(lvCookies, "OnColumnClick") == "lvCookiesColumnClick") {
        lvCookies->OnColumnClick = [this](QObject* sender, int column) {
            CallHandler([&] { lvCookiesColumnClick(sender, column); });
        };
    }
    // The comparison runs inside a sort that a handler started, so its errors
    // travel back to that handler.
    if (HandlerName(lvCookies, "OnCompare") == "lvCookiesCompare") {
        lvCookies->OnCompare = [this](QObject* sender, TListItem item1, TListItem item2, int data,
                                      int& compare) {
            lvCookiesCompare(sender, item1, item2, data, compare);
        };
    }
    if (HandlerName(lvCookies, "OnInfoTip") == "lvCookiesInfoTip") {
        lvCookies->OnInfoTip = [this](QObject* sender, TListItem item, std::string& tip) {
            CallHandler([&] { lvCookiesInfoTip(sender, item, tip); });
        };
    }
}

void TMainForm::Click(QAbstractButton* button) {
    const auto bound = onClick_.find(button);
    if (bound != onClick_.end())
        (this->*bound->second)(button);
}

bool TMainForm::event(QEvent* event) {
    // A window manager's frame is known only once it has taken the window in,
    // which it has by the first paint; until then the window was centred
    // without it.
    if (!placed_ && event->type() == QEvent::Paint) {
        placed_ = true;
        CentreOnScreen();
    }
    // Activation fills in the selection once, when the window is first
    // activated; coming back from an error box or another program does not.
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        if (HandlerName(this, "OnActivate") == "FormActivate") {
            CallHandler([this] { FormActivate(this); });
        }
    }
    return QWidget::event(event);
}

void TMainForm::CentreOnScreen() {
    if (const QScreen* display = screen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(display->geometry().center());
        move(frame.topLeft());
    }
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LocaleChange)
        RefreshFormatSettings();
    QWidget::changeEvent(event);
}

void TMainForm::FormCreate(QObject*) {
    LoadCookies();
    Click(Button8);
}

void TMainForm::FormActivate(QObject*) {
    PageControl1->SetActivePage(TabSheet1);
    SelectFirstItem(lvCookies);
}
