// Options of velunda-suche.
#include "command_line.h"

#include <cstring>

SucheOptions ReadCommandLine(int argc, char** argv)
{
    SucheOptions options;
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i)
    {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            help = true;
        else if (std::strcmp(arg, "--version") == 0)
            version = true;
        else if (std::strcmp(arg, "--notify") == 0)
            options.notify = true;
        else if (std::strcmp(arg, "--xmltv") == 0 || std::strncmp(arg, "--xmltv=", 8) == 0)
        {
            const char* guide = arg[7] == '=' ? arg + 8 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!guide || *guide == '\0')
            {
                options.action = SucheOptions::Action::Wrong;
                options.problem = "Der Option --xmltv fehlt die Quelle.";
                return options;
            }
            options.guides.push_back(guide);
        }
        else if (std::strcmp(arg, "-C") == 0 || std::strncmp(arg, "-C", 2) == 0)
        {
            const char* folder = arg[2] != '\0' ? arg + 2 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!folder || *folder == '\0')
            {
                options.action = SucheOptions::Action::Wrong;
                options.problem = "Der Option -C fehlt der Ordner.";
                return options;
            }
            options.folder = folder;
        }
        else
        {
            options.action = SucheOptions::Action::Wrong;
            options.problem = std::string("Unbekannte Angabe \xE2\x80\x9E") + arg + "\xE2\x80\x9C.";
            return options;
        }
    }
    if (help)
        options.action = SucheOptions::Action::Help;
    else if (version)
        options.action = SucheOptions::Action::Version;
    return options;
}

const char* UsageText()
{
    return "Aufruf: velunda-suche [-C ORDNER] [--notify] [--xmltv QUELLE]...\n"
           "       velunda-suche --help\n"
           "       velunda-suche --version\n"
           "\n"
           "Ein Suchlauf von Velunda ohne Fenster: durchsucht die Programmquelle (die\n"
           "XMLTV-Programmführer oder die Programmseite aus ~/.velunda) nach allen\n"
           "Suchkriterien aus den Einstellungen, setzt die neuen Treffer oben in die\n"
           "Ergebnisliste refn.txt und gibt sie aus, je Treffer die Zeile und darunter\n"
           "eingerückt ihren Link. Ohne neue Treffer gibt es keine Ausgabe.\n"
           "\n"
           "  -C ORDNER       in ORDNER arbeiten statt im aktuellen Ordner\n"
           "  --notify        neue Treffer auch als Benachrichtigung auf dem Desktop\n"
           "                  melden, ebenso den dritten gescheiterten Lauf in Folge\n"
           "  --xmltv QUELLE  statt der Quellen aus ~/.velunda diesen XMLTV-Programmführer\n"
           "                  durchsuchen: eine Datei, eine http(s)-Adresse oder - für die\n"
           "                  Standardeingabe; mehrmals möglich\n"
           "  --help          diesen Text zeigen\n"
           "  --version       die Versionsnummer zeigen\n"
           "\n"
           "Rückgabewert: 0 nach einem Lauf ohne Fehler, 1 nach Fehlern im Lauf (die\n"
           "Treffer davor sind gemeldet und gespeichert), 2 wenn der Lauf nicht beginnen\n"
           "konnte, 3 wenn schon ein anderes Velunda in dem Ordner arbeitet.\n";
}
