#include "settings/frmAcomba.h"

#include "platform/gui/Bouton.h"
#include "platform/gui/Images.h"
#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace brivane {

namespace {

using gui::Px;
using gui::RectTwips;

template <typename Boite = QLineEdit>
Boite* ligne(QWidget* parent, const char* nom, QStringView libelle, int hautLibelle,
             int hautBoite) {
  auto* etiquette = new QLabel(libelle.toString(), parent);
  etiquette->setGeometry(RectTwips(120, hautLibelle, 2040, 255));
  auto* boite = new Boite(parent);
  boite->setObjectName(QLatin1StringView(nom));
  boite->setGeometry(RectTwips(2160, hautBoite, 3345, 330));
  etiquette->setBuddy(boite);
  return boite;
}

// Rows added below the original window: the system, then what the dBASE
// tables need of every line. Twips, like the rest of the layout.
constexpr int kHautSysteme = 4080;
constexpr int kPasLigne = 480;
// Then, below the last row, a note of up to three lines on the password.
constexpr int kHautNote = kHautSysteme + 3 * kPasLigne + 330 + 120;
constexpr int kHauteurNote = 630;
constexpr int kHauteurClient = kHautNote + kHauteurNote + 120;

QPushButton* bouton(QWidget* parent, const char* nom, const QIcon& image, const QString& bulle,
                    int gauche) {
  auto* b = new gui::Bouton(parent);
  b->setObjectName(QLatin1StringView(nom));
  b->setGeometry(RectTwips(gauche, 3240, 735, 615));
  b->setIcon(image);
  b->setIconSize(QSize(32, 32));
  b->setToolTip(bulle);
  b->setAccessibleName(bulle);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

frmAcomba::frmAcomba(platform::StockageReglages& store, platform::BoiteMessage& messages,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      messages_(messages) {
  setObjectName(QStringLiteral("frmAcomba"));
  setWindowTitle(QStringLiteral("Configuration Acomba"));
  setFixedSize(Px(5790), Px(kHauteurClient));
  setFont(gui::PoliceFenetre(8));

  txtPatchAcomba = ligne(this, "txtPatchAcomba", u"Dossier de la compagnie :", 360, 240);
  txtPathAcomba = ligne(this, "txtPathAcomba", u"Dossier de acomba :", 840, 720);
  txtUserAcomba = ligne(this, "txtUserAcomba", u"Utilisateur :", 1320, 1200);
  txtPWDAcomba = ligne(this, "txtPWDAcomba", u"Mot de passe : ", 1800, 1680);
  txtGroupeProd = ligne(this, "txtGroupeProd", u"Groupe de produit si absent : ", 2280, 2160);
  txtDossier = ligne(this, "txtDossier", u"Dossier fichier traité : ", 2760, 2640);
  // The password is never shown, nor copied out of its box.
  txtPWDAcomba->setEchoMode(QLineEdit::Password);

  cboSystemeComptable = ligne<QComboBox>(this, "cboSystemeComptable", u"Système comptable\u00a0:",
                                         kHautSysteme + 120, kHautSysteme);
  cboSystemeComptable->addItem(QStringLiteral("1 – Acomba (SDK)"), QStringLiteral("1"));
  cboSystemeComptable->addItem(QStringLiteral("2 – Tables dBASE"), QStringLiteral("2"));
  const auto ligneDbase = [this](const char* nom, QStringView libelle, int rang) {
    const int haut = kHautSysteme + rang * kPasLigne;
    return ligne(this, nom, libelle, haut + 120, haut);
  };
  txtFournisseur = ligneDbase("txtFournisseur", u"Fournisseur\u00a0:", 1);
  txtPosteGlVente = ligneDbase("txtPosteGlVente", u"Poste GL de vente\u00a0:", 2);
  txtPosteGlAchat = ligneDbase("txtPosteGlAchat", u"Poste GL d'inventaire\u00a0:", 3);

  cmdEnregistrer = bouton(this, "cmdEnregistrer",
                          QIcon::fromTheme(QStringLiteral("document-save"),
                                           style()->standardIcon(QStyle::SP_DialogSaveButton)),
                          QStringLiteral("Enregistrer"), 3840);
  cmdQuitter = bouton(this, "cmdQuitter", gui::ImageSortie(), QStringLiteral("Quitter"), 4800);

  lblMotDePasse = new QLabel(this);
  lblMotDePasse->setObjectName(QStringLiteral("lblMotDePasse"));
  lblMotDePasse->setGeometry(RectTwips(120, kHautNote, 5550, kHauteurNote));
  lblMotDePasse->setWordWrap(true);
  lblMotDePasse->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Tab order: rows 2, 5, 4, 3, 1, the two buttons, row 6, then the rows below.
  QWidget* const ordre[] = {txtPathAcomba,       txtGroupeProd,  txtPWDAcomba,    txtUserAcomba,
                            txtPatchAcomba,      cmdEnregistrer, cmdQuitter,      txtDossier,
                            cboSystemeComptable, txtFournisseur, txtPosteGlVente, txtPosteGlAchat};
  for (std::size_t i = 0; i + 1 < std::size(ordre); ++i) {
    setTabOrder(ordre[i], ordre[i + 1]);
  }

  connect(cmdEnregistrer, &QPushButton::clicked, this, &frmAcomba::cmdEnregistrer_Click);
  // Leaving by the button or the title bar keeps nothing that was not saved.
  connect(cmdQuitter, &QPushButton::clicked, this, &QDialog::reject);
  connect(cboSystemeComptable, &QComboBox::currentIndexChanged, this,
          &frmAcomba::cboSystemeComptable_Change);

  Form_Load();
  txtPathAcomba->setFocus();
}

void frmAcomba::Form_Load() {
  const ConfigurationTransfert c = ConfigurationTransfert::Lire(store_);
  txtPatchAcomba->setText(c.PathCie);
  txtPathAcomba->setText(c.PathAcomba);
  txtUserAcomba->setText(c.UserAcomba);
  txtPWDAcomba->setText(c.PWDAcomba);
  txtGroupeProd->setText(c.GroupeProd);
  txtDossier->setText(c.DossierTraite);
  systemeLu_ = c.SystemeComptable;
  const int index = c.Systeme() == kSystemeSdk ? 0 : c.Systeme() == kSystemeDbase ? 1 : -1;
  cboSystemeComptable->setCurrentIndex(index);
  txtFournisseur->setText(c.Fournisseur);
  txtPosteGlVente->setText(c.PosteGlVente);
  txtPosteGlAchat->setText(c.PosteGlAchat);
  cboSystemeComptable_Change();
  MontrerEmplacementMotDePasse();
}

void frmAcomba::MontrerEmplacementMotDePasse() {
  const QString ou = store_.EmplacementValeur(kApplication, kSectionAcomba, cles::PWDAcomba);
  lblMotDePasse->setText(ou);
  // A long folder name may not fit: the whole sentence stays in the tooltip.
  lblMotDePasse->setToolTip(ou);
}

void frmAcomba::cboSystemeComptable_Change() {
  // What only the dBASE tables need is typed only when they are chosen; the
  // values stay in the boxes, and in the store, either way.
  const bool dbase = cboSystemeComptable->currentIndex() == 1;
  for (QLineEdit* boite : {txtFournisseur, txtPosteGlVente, txtPosteGlAchat}) {
    boite->setEnabled(dbase);
  }
}

void frmAcomba::cmdEnregistrer_Click() {
  const QString systeme = cboSystemeComptable->currentIndex() < 0
                              ? systemeLu_
                              : cboSystemeComptable->currentData().toString();
  const ConfigurationTransfert c{txtPatchAcomba->text(),
                                 txtPathAcomba->text(),
                                 txtUserAcomba->text(),
                                 txtPWDAcomba->text(),
                                 txtGroupeProd->text(),
                                 txtDossier->text(),
                                 systeme,
                                 txtFournisseur->text(),
                                 txtPosteGlVente->text(),
                                 txtPosteGlAchat->text()};
  // Saving is silent; only a store that refused a value is worth a word.
  if (!c.Enregistrer(store_)) {
    messages_.AfficherMessage(
        QStringLiteral("La configuration n'a pas pu être enregistrée. Vérifiez que le dossier "
                       "de configuration est accessible en écriture, puis réessayez."),
        QStringLiteral("Configuration Acomba"));
  }
  MontrerEmplacementMotDePasse();
}

}  // namespace brivane
