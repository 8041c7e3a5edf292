#include "settings/ConfigurationTransfert.h"

namespace brivane {

namespace {

QString lire(const platform::SettingsStore& store, const QString& cle) {
  return store.GetSetting(kApplication, kSectionAcomba, cle, QString());
}

}  // namespace

ConfigurationTransfert ConfigurationTransfert::Lire(const platform::SettingsStore& store) {
  ConfigurationTransfert c;
  c.PathCie = lire(store, cles::PathCie);
  c.PathAcomba = lire(store, cles::PathAcomba);
  c.UserAcomba = lire(store, cles::UserAcomba);
  c.PWDAcomba = lire(store, cles::PWDAcomba);
  c.GroupeProd = lire(store, cles::GroupeProd);
  c.DossierTraite = lire(store, cles::DossierTraite);
  return c;
}

bool ConfigurationTransfert::Enregistrer(platform::SettingsStore& store) const {
  // Every value is written even after a failure, so that as much as possible is kept.
  bool ok = store.SaveSetting(kApplication, kSectionAcomba, cles::PathCie, PathCie);
  ok = store.SaveSetting(kApplication, kSectionAcomba, cles::PathAcomba, PathAcomba) && ok;
  ok = store.SaveSetting(kApplication, kSectionAcomba, cles::UserAcomba, UserAcomba) && ok;
  ok = store.SaveSetting(kApplication, kSectionAcomba, cles::PWDAcomba, PWDAcomba) && ok;
  ok = store.SaveSetting(kApplication, kSectionAcomba, cles::GroupeProd, GroupeProd) && ok;
  ok = store.SaveSetting(kApplication, kSectionAcomba, cles::DossierTraite, DossierTraite) && ok;
  return ok;
}

bool ConfigurationTransfert::EstComplete() const {
  return !PathAcomba.isEmpty() && !GroupeProd.isEmpty() && !PathCie.isEmpty() &&
         !PWDAcomba.isEmpty() && !UserAcomba.isEmpty();
}

}  // namespace brivane
