#include "foundation/const_dlg_m_lang.h"

const char* const DlgLanguageCodes[DlgLanguageCount] = {
    "fr", "en", "in", "ru", "pt", "tr", "de", "nl", "el", "no", "br", "hu",
    "pl", "sp", "es", "tw", "cn", "cz", "dk", "hr", "it", "po", "se",
};

// Each row: OK, Cancel, Yes, No, Help, Close, Ignore, Retry, Abort, All;
// Warning, Error, Information, Confirm;
// the box buttons Yes, No, OK, Cancel, Help; no-help text, help caption;
// Abort, Retry, Ignore, All, No to All, Yes to All.
// clang-format off
const char* const DlgCaptionRows[DlgLanguageCount][DlgCaptionCount] = {
    // fr: French
    {"OK", "Annuler", "&Oui", "&Non", "&Aide", "&Fermer", "&Ignorer", "&Retenter", "Abandon", "&Tout",
     "Avertissement", "Erreur", "Information", "Confirmation",
     "&Oui", "&Non", "OK", "Annuler", "A&ide", "Aucune aide disponible", "Aide",
     "&Abandon", "&Retenter", "I&gnorer", "&Tout", "Non &pour tout", "O&ui pour tout"},
    // en: English
    {"OK", "Cancel", "&Yes", "&No", "&Help", "&Close", "&Ignore", "&Retry", "Abort", "&All",
     "Warning", "Error", "Information", "Confirm",
     "&Yes", "&No", "OK", "Cancel", "&Help", "No help available", "Help",
     "&Abort", "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All"},
    // in: Indonesian
    {"OK", "Batal", "&Ya", "&Tidak", "&Bantuan", "T&utup", "&Abaikan", "U&langi", "Hentikan", "&Semua",
     "Peringatan", "Kesalahan", "Informasi", "Konfirmasi",
     "&Ya", "&Tidak", "OK", "Batal", "&Bantuan", "Bantuan tidak tersedia", "Bantuan",
     "&Hentikan", "U&langi", "&Abaikan", "&Semua", "Tidak untuk s&emua", "Ya untuk se&mua"},
    // ru: Russian
    {"ОК", "Отмена", "&Да", "&Нет", "&Справка", "&Закрыть", "Пропуст&ить", "П&овторить", "Прервать", "&Все",
     "Предупреждение", "Ошибка", "Информация", "Подтверждение",
     "&Да", "&Нет", "ОК", "Отмена", "&Справка", "Справка недоступна", "Справка",
     "&Прервать", "П&овторить", "Пропуст&ить", "&Все", "Н&ет для всех", "Д&а для всех"},
    // pt: Portuguese (Portugal)
    {"OK", "Cancelar", "&Sim", "&Não", "A&juda", "&Fechar", "&Ignorar", "&Repetir", "Abortar", "&Todos",
     "Aviso", "Erro", "Informação", "Confirmação",
     "&Sim", "&Não", "OK", "Cancelar", "A&juda", "Ajuda não disponível", "Ajuda",
     "&Abortar", "&Repetir", "&Ignorar", "&Todos", "Nã&o para todos", "Sim para to&dos"},
    // tr: Turkish
    {"Tamam", "İptal", "&Evet", "&Hayır", "&Yardım", "&Kapat", "Y&oksay", "Y&inele", "Durdur", "&Tümü",
     "Uyarı", "Hata", "Bilgi", "Onay",
     "&Evet", "&Hayır", "Tamam", "İptal", "&Yardım", "Yardım mevcut değil", "Yardım",
     "&Durdur", "Y&inele", "Y&oksay", "&Tümü", "Tümüne h&ayır", "Tümüne e&vet"},
    // de: German
    {"OK", "Abbrechen", "&Ja", "&Nein", "&Hilfe",
     "&Schließen", "&Ignorieren", "&Wiederholen", "Abbrechen", "&Alle",
     "Warnung", "Fehler", "Information", "Bestätigung",
     "&Ja", "&Nein", "OK", "Abbrechen", "&Hilfe", "Keine Hilfe verfügbar", "Hilfe",
     "&Abbrechen", "&Wiederholen", "&Ignorieren", "A&lle", "N&ein für alle", "Ja für all&e"},
    // nl: Dutch
    {"OK", "Annuleren", "&Ja", "&Nee", "&Help", "&Sluiten", "N&egeren", "&Opnieuw", "Afbreken", "&Alle",
     "Waarschuwing", "Fout", "Informatie", "Bevestigen",
     "&Ja", "&Nee", "OK", "Annuleren", "&Help", "Geen help beschikbaar", "Help",
     "&Afbreken", "&Opnieuw", "N&egeren", "A&lle", "Nee op all&es", "Ja op alle&s"},
    // el: Greek
    {"OK", "Άκυρο", "&Ναι", "&Όχι", "&Βοήθεια", "&Κλείσιμο", "&Παράβλεψη", "&Επανάληψη", "Διακοπή", "Ό&λα",
     "Προειδοποίηση", "Σφάλμα", "Πληροφορίες", "Επιβεβαίωση",
     "&Ναι", "&Όχι", "OK", "Άκυρο", "&Βοήθεια", "Δεν υπάρχει διαθέσιμη βοήθεια", "Βοήθεια",
     "&Διακοπή", "&Επανάληψη", "&Παράβλεψη", "Ό&λα", "Ό&χι σε όλα", "Ν&αι σε όλα"},
    // no: Norwegian
    {"OK", "Avbryt", "&Ja", "&Nei", "&Hjelp", "&Lukk", "&Ignorer", "&Prøv igjen", "Avbryt", "&Alle",
     "Advarsel", "Feil", "Informasjon", "Bekreft",
     "&Ja", "&Nei", "OK", "Avbryt", "&Hjelp", "Ingen hjelp tilgjengelig", "Hjelp",
     "&Avbryt", "&Prøv igjen", "&Ignorer", "A&lle", "N&ei til alle", "Ja til all&e"},
    // br: Portuguese (Brazil)
    {"OK", "Cancelar", "&Sim", "&Não", "Aj&uda",
     "&Fechar", "&Ignorar", "Tentar n&ovamente", "Anular", "&Todos",
     "Aviso", "Erro", "Informação", "Confirmação",
     "&Sim", "&Não", "OK", "Cancelar", "Aj&uda", "Nenhuma ajuda disponível", "Ajuda",
     "&Anular", "Tentar n&ovamente", "&Ignorar", "&Todos", "Não para to&dos", "Sim &para todos"},
    // hu: Hungarian
    {"OK", "Mégse", "&Igen", "&Nem", "&Súgó", "&Bezárás", "&Kihagyás", "Ú&jra", "Megszakítás", "&Mind",
     "Figyelmeztetés", "Hiba", "Információ", "Megerősítés",
     "&Igen", "&Nem", "OK", "Mégse", "&Súgó", "Nincs elérhető súgó", "Súgó",
     "Me&gszakítás", "Ú&jra", "&Kihagyás", "&Mind", "Egyiket s&em", "Mind&egyiket"},
    // pl: Polish
    {"OK", "Anuluj", "&Tak", "&Nie", "&Pomoc", "&Zamknij", "&Ignoruj", "Pon&ów", "Przerwij", "&Wszystko",
     "Ostrzeżenie", "Błąd", "Informacja", "Potwierdzenie",
     "&Tak", "&Nie", "OK", "Anuluj", "&Pomoc", "Pomoc niedostępna", "Pomoc",
     "P&rzerwij", "Pon&ów", "&Ignoruj", "&Wszystko", "N&ie dla wszystkich", "T&ak dla wszystkich"},
    // sp: Spanish
    {"Aceptar", "Cancelar", "&Sí", "&No", "A&yuda", "&Cerrar", "&Ignorar", "&Reintentar", "Anular", "&Todo",
     "Advertencia", "Error", "Información", "Confirmar",
     "&Sí", "&No", "Aceptar", "Cancelar", "A&yuda", "No hay ayuda disponible", "Ayuda",
     "&Anular", "&Reintentar", "&Ignorar", "&Todo", "N&o a todo", "Sí a to&do"},
    // es: Spanish, second row
    {"OK", "Cancelar", "&Sí", "&No", "A&yuda", "&Cerrar", "&Ignorar", "&Reintentar", "Abortar", "&Todos",
     "Aviso", "Error", "Información", "Confirmación",
     "&Sí", "&No", "OK", "Cancelar", "A&yuda", "Ayuda no disponible", "Ayuda",
     "A&bortar", "&Reintentar", "&Ignorar", "&Todos", "N&o a todos", "Sí a to&dos"},
    // tw: Chinese (traditional)
    {"確定", "取消", "是(&Y)", "否(&N)", "說明(&H)", "關閉(&C)", "忽略(&I)", "重試(&R)", "中止", "全部(&A)",
     "警告", "錯誤", "資訊", "確認",
     "是(&Y)", "否(&N)", "確定", "取消", "說明(&H)", "沒有可用的說明", "說明",
     "中止(&A)", "重試(&R)", "忽略(&I)", "全部(&A)", "全部皆否(&O)", "全部皆是(&L)"},
    // cn: Chinese (simplified)
    {"确定", "取消", "是(&Y)", "否(&N)", "帮助(&H)", "关闭(&C)", "忽略(&I)", "重试(&R)", "中止", "全部(&A)",
     "警告", "错误", "信息", "确认",
     "是(&Y)", "否(&N)", "确定", "取消", "帮助(&H)", "没有可用的帮助", "帮助",
     "中止(&A)", "重试(&R)", "忽略(&I)", "全部(&A)", "全部否(&O)", "全部是(&L)"},
    // cz: Czech
    {"OK", "Storno", "&Ano", "&Ne", "Nápo&věda", "&Zavřít", "&Ignorovat", "&Opakovat", "Přerušit", "V&še",
     "Upozornění", "Chyba", "Informace", "Potvrzení",
     "&Ano", "&Ne", "OK", "Storno", "Nápo&věda", "Nápověda není k dispozici", "Nápověda",
     "&Přerušit", "&Opakovat", "&Ignorovat", "V&še", "Ne p&ro všechny", "Ano pro vš&echny"},
    // dk: Danish
    {"OK", "Annuller", "&Ja", "&Nej", "&Hjælp", "&Luk", "&Ignorer", "&Prøv igen", "Afbryd", "&Alle",
     "Advarsel", "Fejl", "Information", "Bekræft",
     "&Ja", "&Nej", "OK", "Annuller", "&Hjælp", "Ingen hjælp tilgængelig", "Hjælp",
     "A&fbryd", "&Prøv igen", "&Ignorer", "&Alle", "N&ej til alle", "Ja til a&lle"},
    // hr: Croatian
    {"U redu", "Odustani", "&Da", "&Ne", "&Pomoć", "&Zatvori", "Zan&emari", "P&onovi", "Prekini", "&Sve",
     "Upozorenje", "Pogreška", "Informacija", "Potvrda",
     "&Da", "&Ne", "U redu", "Odustani", "&Pomoć", "Pomoć nije dostupna", "Pomoć",
     "P&rekini", "P&onovi", "Zan&emari", "&Sve", "Ne &za sve", "Da za s&ve"},
    // it: Italian
    {"OK", "Annulla", "&Sì", "&No", "&Guida", "&Chiudi", "&Ignora", "&Riprova", "Interrompi", "&Tutti",
     "Avviso", "Errore", "Informazioni", "Conferma",
     "&Sì", "&No", "OK", "Annulla", "&Guida", "Nessuna guida disponibile", "Guida",
     "Interrom&pi", "&Riprova", "&Ignora", "&Tutti", "N&o a tutti", "Sì a t&utti"},
    // po: Polish, second row
    {"OK", "Anuluj", "&Tak", "&Nie", "Po&moc",
     "&Zamknij", "&Ignoruj", "&Spróbuj ponownie", "Porzuć", "&Wszystkie",
     "Uwaga", "Błąd", "Informacja", "Potwierdzenie",
     "&Tak", "&Nie", "OK", "Anuluj", "Po&moc", "Brak pomocy", "Pomoc",
     "P&orzuć", "&Spróbuj ponownie", "&Ignoruj", "&Wszystkie", "N&ie dla wszystkich", "T&ak dla wszystkich"},
    // se: Swedish
    {"OK", "Avbryt", "&Ja", "&Nej", "&Hjälp", "&Stäng", "&Ignorera", "&Försök igen", "Avbryt", "&Alla",
     "Varning", "Fel", "Information", "Bekräfta",
     "&Ja", "&Nej", "OK", "Avbryt", "&Hjälp", "Ingen hjälp tillgänglig", "Hjälp",
     "A&vbryt", "&Försök igen", "&Ignorera", "&Alla", "N&ej till alla", "Ja till a&lla"},
};
// clang-format on
