<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AliasScanner</name>
    <message>
        <source>its target couldn&apos;t be read: %1</source>
        <translation>sein Ziel konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>its target is no longer where it was found</source>
        <translation>sein Ziel ist nicht mehr dort, wo es gefunden wurde</translation>
    </message>
    <message>
        <source>no bookmark data can be made for its target</source>
        <translation>für sein Ziel können keine Lesezeichendaten erstellt werden</translation>
    </message>
    <message>
        <source>Scan of all Finder Aliases in the folder %1:

</source>
        <translation>Prüfung aller Finder-Aliasse im Ordner %1:

</translation>
    </message>
    <message>
        <source>Couldn&apos;t finish the scan: it stopped at %1</source>
        <translation>Die Prüfung konnte nicht beendet werden: sie hielt an bei %1</translation>
    </message>
    <message>
        <source>Aliases found broken:
</source>
        <translation>Als defekt gefundene Aliasse:
</translation>
    </message>
    <message>
        <source>Stopped before the end of the folder.
</source>
        <translation>Vor dem Ende des Ordners angehalten.
</translation>
    </message>
    <message numerus="yes">
        <source>Found %n broken Aliases, and rewrote %1, out of %2 scanned in %3</source>
        <translation>
            <numerusform>%n defekten Alias gefunden und %1 neu geschrieben, von %2 geprüften in %3</numerusform>
            <numerusform>%n defekte Aliasse gefunden und %1 neu geschrieben, von %2 geprüften in %3</numerusform>
        </translation>
    </message>
    <message>
        <source>
Checked at %1</source>
        <translation>
Geprüft am %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t read %1</source>
        <translation>Konnte %1 nicht lesen</translation>
    </message>
    <message>
        <source>Couldn&apos;t read %1: %2</source>
        <translation>Konnte %1 nicht lesen: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the target of %1: %2</source>
        <translation>Konnte das Ziel von %1 nicht lesen: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t write %1: %2</source>
        <translation>Konnte %1 nicht schreiben: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t refresh %1: %2</source>
        <translation>Konnte %1 nicht auffrischen: %2</translation>
    </message>
</context>
<context>
    <name>Arguments</name>
    <message>
        <source>--search needs a DIR</source>
        <translation>--search braucht ein VERZEICHNIS</translation>
    </message>
    <message>
        <source>--map needs a value: MAC=LOCAL</source>
        <translation>--map braucht einen Wert: MAC=LOKAL</translation>
    </message>
    <message>
        <source>--map wants MAC=LOCAL with an absolute Mac folder, not &apos;%1&apos;</source>
        <translation>--map will MAC=LOKAL mit einem absoluten Mac-Ordner, nicht &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--threads needs a number</source>
        <translation>--threads braucht eine Zahl</translation>
    </message>
    <message>
        <source>--threads wants a number from 1 to %1, not &apos;%2&apos;</source>
        <translation>--threads will eine Zahl von 1 bis %1, nicht &apos;%2&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--undo-relink goes with nothing but a FOLDER</source>
        <translation>--undo-relink geht nur mit einem ORDNER</translation>
    </message>
    <message>
        <source>--resolve goes with nothing but --map and ALIAS...</source>
        <translation>--resolve geht nur mit --map und ALIAS...</translation>
    </message>
    <message>
        <source>--resolve needs at least one ALIAS</source>
        <translation>--resolve braucht mindestens einen ALIAS</translation>
    </message>
    <message>
        <source>an ALIAS is empty</source>
        <translation>ein ALIAS ist leer</translation>
    </message>
    <message>
        <source>--any-owner goes with --relink</source>
        <translation>--any-owner geht nur mit --relink</translation>
    </message>
    <message>
        <source>--suggest, --relink and --json go with a FOLDER to scan</source>
        <translation>--suggest, --relink und --json gehen mit einem zu prüfenden ORDNER</translation>
    </message>
    <message>
        <source>--inspect and --demo don&apos;t go together</source>
        <translation>--inspect und --demo gehen nicht zusammen</translation>
    </message>
    <message>
        <source>--inspect needs at least one FILE</source>
        <translation>--inspect braucht mindestens eine DATEI</translation>
    </message>
    <message>
        <source>--demo makes its own folder; no FOLDER is taken</source>
        <translation>--demo legt einen eigenen Ordner an; es wird kein ORDNER angenommen</translation>
    </message>
    <message>
        <source>the FOLDER is empty</source>
        <translation>der ORDNER ist leer</translation>
    </message>
    <message>
        <source>no FOLDER given</source>
        <translation>kein ORDNER angegeben</translation>
    </message>
    <message>
        <source>only one FOLDER can be scanned</source>
        <translation>es kann nur ein ORDNER geprüft werden</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: korvex-scan [--mark] [--rewrite] [--map MAC=LOCAL]... [--threads N] FOLDER
       korvex-scan --inspect FILE...
       korvex-scan [--suggest | --relink [--any-owner]] [--json] [--search DIR]... FOLDER
       korvex-scan --undo-relink FOLDER
       korvex-scan --resolve [--map MAC=LOCAL]... ALIAS...
       korvex-scan --demo [--mark] [--rewrite]
       korvex-scan --help | --version

Finds the broken macOS Finder aliases in FOLDER and every folder below it and
prints the scan report. Nothing is mounted and nobody is asked.
</source>
        <translation>Aufruf: korvex-scan [--mark] [--rewrite] [--map MAC=LOKAL]... [--threads N] ORDNER
        korvex-scan --inspect DATEI...
        korvex-scan [--suggest | --relink [--any-owner]] [--json] [--search VERZ]... ORDNER
        korvex-scan --undo-relink ORDNER
        korvex-scan --resolve [--map MAC=LOKAL]... ALIAS...
        korvex-scan --demo [--mark] [--rewrite]
        korvex-scan --help | --version

Findet die defekten macOS-Finder-Aliasse in ORDNER und allen Ordnern darunter und
gibt den Prüfbericht aus. Es wird nichts eingehängt und niemand gefragt.
</translation>
    </message>
    <message>
        <source>  --mark            write NAME-korvex-broken.text beside each broken alias, with
                    what its bookmark data says
  --rewrite         refresh every alias that still resolves (with --mark, write
                    NAME-korvex-rewrite.text with the old data first)
  --map MAC=LOCAL   look for targets stored below the Mac folder MAC below the
                    folder LOCAL of this machine, e.g. /Volumes/Archive=/mnt/archive;
                    may be given several times, the longest MAC is tried first
  --threads N       read the tree ahead with N threads (1 to 256, default 12): a
                    disk whose metadata is not in memory gets many requests at
                    once; 1 reads nothing ahead. The report is the same with any N.
                    The search of --suggest and --relink uses N threads too
                    (default 4)
  --suggest         after the report, list possible new targets of broken aliases
                    and the path mappings that would fix several at once
  --relink          relink every broken alias that has exactly one best candidate
                    (with --mark, NAME-korvex-relink.text keeps the old data)
  --any-owner       with --relink as root: relink an alias to a target of another
                    user too (never done otherwise)
  --search DIR      search DIR too for moved targets; may be given several times
  --json            one JSON object per alias, then a summary, instead of the text
  --undo-relink     give the aliases relinked in FOLDER their old data back, from
                    the user&apos;s relink journal (goes with no other option)
  --inspect FILE... print what the bookmark data (or the classic alias record) in
                    each FILE says
  --resolve ALIAS... print the path of each ALIAS&apos;s target on this machine, one
                    line each, in order (empty when it has none), resolved as a
                    scan does (--map and the saved path mappings too); a path
                    with a control character (a line feed, ...) is not printed
                    but named, escaped, on stderr, with status 3
  --demo            make a folder of sample aliases in a temporary place and scan it
  --help, --version
</source>
        <translation>  --mark            neben jeden defekten Alias NAME-korvex-broken.text schreiben,
                    mit dem, was seine Lesezeichendaten sagen
  --rewrite         jeden Alias auffrischen, der sich noch auflösen lässt (mit --mark
                    vorher NAME-korvex-rewrite.text mit den alten Daten schreiben)
  --map MAC=LOKAL   Ziele, die unter dem Mac-Ordner MAC gespeichert sind, unter dem
                    Ordner LOKAL dieses Rechners suchen, z. B.
                    /Volumes/Archive=/mnt/archive; mehrfach möglich, das längste MAC
                    wird zuerst versucht
  --threads N       den Baum mit N Threads vorauslesen (1 bis 256, Vorgabe 12): eine
                    Platte, deren Metadaten nicht im Speicher sind, bekommt viele
                    Anfragen auf einmal; 1 liest nichts voraus. Der Bericht ist mit
                    jedem N derselbe. Die Suche von --suggest und --relink nutzt
                    ebenfalls N Threads (Vorgabe 4)
  --suggest         nach dem Bericht mögliche neue Ziele defekter Aliasse auflisten
                    und die Pfadzuordnungen, die mehrere auf einmal reparieren
  --relink          jeden defekten Alias neu verknüpfen, der genau einen besten
                    Kandidaten hat (mit --mark behält NAME-korvex-relink.text die
                    alten Daten)
  --any-owner       mit --relink als root: einen Alias auch mit dem Ziel eines
                    anderen Benutzers verknüpfen (sonst nie)
  --search VERZ     auch VERZ nach verschobenen Zielen durchsuchen; mehrfach möglich
  --json            ein JSON-Objekt je Alias, dann eine Zusammenfassung, statt Text
  --undo-relink     den in ORDNER neu verknüpften Aliassen ihre alten Daten aus dem
                    Verknüpfungsprotokoll des Benutzers zurückgeben (geht mit
                    keiner anderen Option)
  --inspect DATEI... ausgeben, was die Lesezeichendaten (oder der klassische
                    Alias-Eintrag) in jeder DATEI sagen
  --resolve ALIAS... den Pfad des Ziels jedes ALIAS auf diesem Rechner ausgeben, eine
                    Zeile je Alias, in Reihenfolge (leer, wenn es keins hat),
                    aufgelöst wie bei einer Prüfung (auch mit --map und den
                    gespeicherten Pfadzuordnungen); ein Pfad mit einem Steuerzeichen
                    (Zeilenvorschub, ...) wird nicht ausgegeben, sondern maskiert auf
                    stderr genannt, mit Status 3
  --demo            einen Ordner mit Beispiel-Aliassen an einem temporären Ort
                    anlegen und prüfen
  --help, --version
</translation>
    </message>
    <message>
        <source>Exit status: 0 nothing broken, 1 broken aliases found, 2 the folder can&apos;t be
walked, the arguments are wrong or the output can&apos;t be written, 3 the report
says that something couldn&apos;t be read or written (3 wins over 1); 130 or 143
stopped by SIGINT or SIGTERM (the report of what was done is printed, marked as
stopped; this wins over the others). With --resolve: 1 an alias is broken,
2 an ALIAS is missing or no Finder alias, 3 an alias can&apos;t be read or its target&apos;s
path can&apos;t be printed (3 wins over 2, 2 over 1).
</source>
        <translation>Rückgabewert: 0 nichts defekt, 1 defekte Aliasse gefunden, 2 der Ordner lässt sich
nicht durchlaufen, die Argumente sind falsch oder die Ausgabe lässt sich nicht
schreiben, 3 der Bericht sagt, dass etwas nicht gelesen oder geschrieben werden
konnte (3 geht vor 1); 130 oder 143 durch SIGINT oder SIGTERM angehalten (der
Bericht über das Erledigte wird ausgegeben und als angehalten gekennzeichnet;
das geht allem anderen vor). Mit --resolve: 1 ein Alias ist defekt, 2 ein ALIAS
fehlt oder ist kein Finder-Alias, 3 ein Alias lässt sich nicht lesen oder der Pfad
seines Ziels nicht ausgeben (3 geht vor 2, 2 vor 1).
</translation>
    </message>
    <message>
        <source>korvex-scan: stopped by an unexpected error: %1
</source>
        <translation>korvex-scan: durch einen unerwarteten Fehler angehalten: %1
</translation>
    </message>
    <message>
        <source>korvex-scan: stopped by an unexpected error
</source>
        <translation>korvex-scan: durch einen unerwarteten Fehler angehalten
</translation>
    </message>
    <message>
        <source>korvex-scan: couldn&apos;t write the output
</source>
        <translation>korvex-scan: konnte die Ausgabe nicht schreiben
</translation>
    </message>
    <message>
        <source>Couldn&apos;t find that folder. Try again.
</source>
        <translation>Dieser Ordner wurde nicht gefunden. Bitte erneut versuchen.
</translation>
    </message>
    <message>
        <source>korvex-scan: couldn&apos;t read %1: %2
</source>
        <translation>korvex-scan: konnte %1 nicht lesen: %2
</translation>
    </message>
    <message>
        <source>korvex-scan: couldn&apos;t read %1 (missing, not a regular file, or over 16 MiB)
</source>
        <translation>korvex-scan: konnte %1 nicht lesen (fehlt, keine reguläre Datei oder über 16 MiB)
</translation>
    </message>
    <message>
        <source>korvex-scan: there is no file %1
</source>
        <translation>korvex-scan: es gibt keine Datei %1
</translation>
    </message>
    <message>
        <source>korvex-scan: %1 is no Finder alias
</source>
        <translation>korvex-scan: %1 ist kein Finder-Alias
</translation>
    </message>
    <message>
        <source>korvex-scan: %1 is broken
</source>
        <translation>korvex-scan: %1 ist defekt
</translation>
    </message>
    <message>
        <source>korvex-scan: couldn&apos;t read the target of %1: %2
</source>
        <translation>korvex-scan: konnte das Ziel von %1 nicht lesen: %2
</translation>
    </message>
    <message>
        <source>korvex-scan: the target of %1 has a control character in its path, not printed: %2
</source>
        <translation>korvex-scan: das Ziel von %1 hat ein Steuerzeichen im Pfad, nicht ausgegeben: %2
</translation>
    </message>
    <message>
        <source>Made a demo folder of Finder aliases in %1

</source>
        <translation>Demo-Ordner mit Finder-Aliassen angelegt in %1

</translation>
    </message>
    <message>
        <source>
The demo folder stays in %1; remove it when done.
</source>
        <translation>
Der Demo-Ordner bleibt in %1; bitte danach entfernen.
</translation>
    </message>
    <message>
        <source>Examined %1 entries, %2 Finder aliases</source>
        <translation>%1 Einträge untersucht, %2 Finder-Aliasse</translation>
    </message>
    <message>
        <source>
Possible new targets:
</source>
        <translation>
Mögliche neue Ziele:
</translation>
    </message>
    <message>
        <source>None found.
</source>
        <translation>Keine gefunden.
</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the relink journal %1 (%2): nothing was relinked
</source>
        <translation>Konnte das Verknüpfungsprotokoll %1 nicht verwenden (%2): nichts wurde neu verknüpft
</translation>
    </message>
    <message>
        <source>Couldn&apos;t read %1
</source>
        <translation>Konnte %1 nicht lesen
</translation>
    </message>
    <message>
        <source>Stopped before the end of the relinks.
</source>
        <translation>Vor dem Ende der Neuverknüpfungen angehalten.
</translation>
    </message>
    <message>
        <source>Stopped before the end of the search.
</source>
        <translation>Vor dem Ende der Suche angehalten.
</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the relink journal %1 (%2): nothing was restored
</source>
        <translation>Konnte das Verknüpfungsprotokoll %1 nicht lesen (%2): nichts wurde wiederhergestellt
</translation>
    </message>
    <message>
        <source>Left as it is (changed since the relink): %1
</source>
        <translation>Unverändert gelassen (seit der Neuverknüpfung geändert): %1
</translation>
    </message>
    <message>
        <source>Couldn&apos;t restore %1
</source>
        <translation>Konnte %1 nicht wiederherstellen
</translation>
    </message>
    <message>
        <source>Stopped before the end of the undo; the rest is left for another one.
</source>
        <translation>Vor dem Ende des Rückgängigmachens angehalten; der Rest bleibt für ein weiteres.
</translation>
    </message>
    <message numerus="yes">
        <source>Couldn&apos;t read %n lines of the relink journal %1
</source>
        <translation>
            <numerusform>Konnte %n Zeile des Verknüpfungsprotokolls %1 nicht lesen
</numerusform>
            <numerusform>Konnte %n Zeilen des Verknüpfungsprotokolls %1 nicht lesen
</numerusform>
        </translation>
    </message>
    <message>
        <source>No relinks to undo in %1; the relink journal has relinks to undo in:
</source>
        <translation>Keine rückgängig zu machenden Neuverknüpfungen in %1; das Verknüpfungsprotokoll hat welche in:
</translation>
    </message>
    <message numerus="yes">
        <source>korvex-scan: couldn&apos;t start threads (%1); %2 with %n threads
</source>
        <translation>
            <numerusform>korvex-scan: konnte keine Threads starten (%1); %2 mit %n Thread
</numerusform>
            <numerusform>korvex-scan: konnte keine Threads starten (%1); %2 mit %n Threads
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Suggested path mapping: --map %1=%2 (fixes %n aliases)
</source>
        <translation>
            <numerusform>Vorgeschlagene Pfadzuordnung: --map %1=%2 (repariert %n Alias)
</numerusform>
            <numerusform>Vorgeschlagene Pfadzuordnung: --map %1=%2 (repariert %n Aliasse)
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Restored %n aliases.
</source>
        <translation>
            <numerusform>%n Alias wiederhergestellt.
</numerusform>
            <numerusform>%n Aliasse wiederhergestellt.
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>  and %n more
</source>
        <translation>
            <numerusform>  und %n weiterer
</numerusform>
            <numerusform>  und %n weitere
</numerusform>
        </translation>
    </message>
    <message>
        <source>korvex-scan: couldn&apos;t start threads (%1); %2 with 1 thread
</source>
        <translation>korvex-scan: konnte keine Threads starten (%1); %2 mit 1 Thread
</translation>
    </message>
</context>
<context>
    <name>HelpWindowController</name>
    <message>
        <source>Korvex Help</source>
        <translation>Korvex-Hilfe</translation>
    </message>
</context>
<context>
    <name>PreferencesDialogForm</name>
    <message>
        <source>Korvex Preferences</source>
        <translation>Korvex-Einstellungen</translation>
    </message>
    <message>
        <source>Mac path prefix</source>
        <translation>Mac-Pfadpräfix</translation>
    </message>
    <message>
        <source>Local folder</source>
        <translation>Lokaler Ordner</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Path mappings: where folders of the Mac are found on this machine. An alias to a path below a Mac path prefix is also looked for below its local folder.</source>
        <translation>&amp;Pfadzuordnungen: wo Ordner des Macs auf diesem Rechner zu finden sind. Ein Alias auf einen Pfad unter einem Mac-Pfadpräfix wird auch unter dessen lokalem Ordner gesucht.</translation>
    </message>
    <message>
        <source>Path mappings</source>
        <translation>Pfadzuordnungen</translation>
    </message>
    <message>
        <source>One Mac path prefix and its local folder a row. F2 edits a cell, Delete removes the row.</source>
        <translation>Je Zeile ein Mac-Pfadpräfix und sein lokaler Ordner. F2 bearbeitet eine Zelle, Entf entfernt die Zeile.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>No browser could be started; the page is %1</source>
        <translation>Es konnte kein Browser gestartet werden; die Seite ist %1</translation>
    </message>
    <message>
        <source>The alias doesn&apos;t say which file it pointed to.</source>
        <translation>Der Alias sagt nicht, auf welche Datei er zeigte.</translation>
    </message>
    <message>
        <source>It pointed to: %1</source>
        <translation>Er zeigte auf: %1</translation>
    </message>
    <message>
        <source>On the disk: %1</source>
        <translation>Auf dem Datenträger: %1</translation>
    </message>
    <message>
        <source>Kind: a folder</source>
        <translation>Art: ein Ordner</translation>
    </message>
    <message>
        <source>Kind: a file</source>
        <translation>Art: eine Datei</translation>
    </message>
    <message>
        <source>Created: %1</source>
        <translation>Erstellt: %1</translation>
    </message>
    <message>
        <source>A folder to scan at once in the first window, only reading it; with --open or --show-original, the Mac aliases.</source>
        <translation>Ein Ordner, der sofort im ersten Fenster geprüft wird, nur lesend; mit --open oder --show-original die Mac-Aliasse.</translation>
    </message>
    <message>
        <source>Opens the target of each Mac alias named (ALIAS...) with its default application; a broken alias shows where it pointed and where it may have gone.</source>
        <translation>Öffnet das Ziel jedes genannten Mac-Alias (ALIAS...) mit seiner Standardanwendung; ein defekter Alias zeigt, wohin er zeigte und wohin das Ziel gegangen sein könnte.</translation>
    </message>
    <message>
        <source>Shows the target of each Mac alias named (ALIAS...) selected in its folder.</source>
        <translation>Zeigt das Ziel jedes genannten Mac-Alias (ALIAS...) ausgewählt in seinem Ordner.</translation>
    </message>
    <message>
        <source>--open and --show-original don&apos;t go together.</source>
        <translation>--open und --show-original gehen nicht zusammen.</translation>
    </message>
    <message>
        <source>--open and --show-original need at least one ALIAS.</source>
        <translation>--open und --show-original brauchen mindestens einen ALIAS.</translation>
    </message>
</context>
<context>
    <name>QtFilePanels</name>
    <message>
        <source>Text (%1)</source>
        <translation>Text (%1)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
</context>
<context>
    <name>RelinkReason</name>
    <message>
        <source>its folder can&apos;t be reached from the scanned one any more</source>
        <translation>sein Ordner ist vom geprüften aus nicht mehr erreichbar</translation>
    </message>
    <message>
        <source>it can&apos;t be read again</source>
        <translation>er lässt sich nicht erneut lesen</translation>
    </message>
    <message>
        <source>it can&apos;t be read again: its data is gone or damaged</source>
        <translation>er lässt sich nicht erneut lesen: seine Daten sind fort oder beschädigt</translation>
    </message>
    <message>
        <source>it changed since it was read</source>
        <translation>er hat sich seit dem Lesen geändert</translation>
    </message>
    <message>
        <source>it couldn&apos;t be written</source>
        <translation>er konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>it can&apos;t be used</source>
        <translation>es ist nicht verwendbar</translation>
    </message>
    <message>
        <source>the scanned folder was moved or replaced since the scan</source>
        <translation>der geprüfte Ordner wurde seit der Prüfung verschoben oder ersetzt</translation>
    </message>
    <message>
        <source>its owner changed since it was read</source>
        <translation>sein Eigentümer hat sich seit dem Lesen geändert</translation>
    </message>
    <message>
        <source>its bookmark data can&apos;t be made to name the new target</source>
        <translation>seine Lesezeichendaten können nicht auf das neue Ziel gestellt werden</translation>
    </message>
    <message>
        <source>it can&apos;t be read</source>
        <translation>es lässt sich nicht lesen</translation>
    </message>
</context>
<context>
    <name>RelinkSummary</name>
    <message>
        <source> (here: %1)</source>
        <translation> (hier: %1)</translation>
    </message>
    <message>
        <source>Removed %1
</source>
        <translation>Entfernt: %1
</translation>
    </message>
    <message>
        <source>Kept %1: it isn&apos;t the one a scan wrote
</source>
        <translation>Behalten: %1: es ist nicht die, die eine Prüfung geschrieben hat
</translation>
    </message>
    <message>
        <source>Couldn&apos;t remove %1: %2
</source>
        <translation>Konnte %1 nicht entfernen: %2
</translation>
    </message>
    <message>
        <source>Couldn&apos;t relink %1: %2
</source>
        <translation>Konnte %1 nicht neu verknüpfen: %2
</translation>
    </message>
    <message>
        <source>Couldn&apos;t read %1
</source>
        <translation>Konnte %1 nicht lesen
</translation>
    </message>
    <message numerus="yes">
        <source>Relinked %n aliases.
</source>
        <translation>
            <numerusform>%n Alias neu verknüpft.
</numerusform>
            <numerusform>%n Aliasse neu verknüpft.
</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ThreadStart</name>
    <message>
        <source>searching</source>
        <translation>sucht</translation>
    </message>
    <message>
        <source>scanning</source>
        <translation>prüft</translation>
    </message>
</context>
<context>
    <name>ViewControllerForm</name>
    <message>
        <source>F&amp;older:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>Type a folder path, or leave empty to pick one</source>
        <translation>Ordnerpfad eingeben oder leer lassen, um einen auszuwählen</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>Du&amp;rchsuchen...</translation>
    </message>
    <message>
        <source>Picks a folder and puts its path into the field.</source>
        <translation>Wählt einen Ordner und setzt seinen Pfad ins Feld.</translation>
    </message>
    <message>
        <source>Stops the scan after the alias at hand (Esc); the report shows what was done.</source>
        <translation>Hält die Prüfung nach dem aktuellen Alias an (Esc); der Bericht zeigt, was erledigt wurde.</translation>
    </message>
    <message>
        <source>Empties the folder field once a scan of a typed path has started.</source>
        <translation>Leert das Ordnerfeld, sobald eine Prüfung eines eingegebenen Pfads begonnen hat.</translation>
    </message>
    <message>
        <source>Writes a text file with the stored properties beside every broken alias.</source>
        <translation>Schreibt neben jeden defekten Alias eine Textdatei mit den gespeicherten Eigenschaften.</translation>
    </message>
    <message>
        <source>Writes fresh bookmark data into every alias whose original is still found.</source>
        <translation>Schreibt frische Lesezeichendaten in jeden Alias, dessen Original noch gefunden wird.</translation>
    </message>
    <message>
        <source>Type a folder above, pick one with Browse..., or drop one here; then press Scan.</source>
        <translation>Oben einen Ordner eingeben, mit Durchsuchen... einen wählen oder hier einen ablegen; dann Prüfen drücken.</translation>
    </message>
    <message>
        <source>S&amp;can</source>
        <translation>Prü&amp;fen</translation>
    </message>
    <message>
        <source>Scans the folder in the field; with the field empty, picks a folder first.</source>
        <translation>Prüft den Ordner im Feld; ist das Feld leer, wird zuerst ein Ordner gewählt.</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>&amp;Stoppen</translation>
    </message>
    <message>
        <source>Scanning</source>
        <translation>Prüfung läuft</translation>
    </message>
    <message>
        <source>C&amp;lear the field after starting a scan</source>
        <translation>Feld nach dem Start einer Prüfung &amp;leeren</translation>
    </message>
    <message>
        <source>Mar&amp;k broken aliases</source>
        <translation>Defekte Aliasse mar&amp;kieren</translation>
    </message>
    <message>
        <source>&amp;Refresh aliases that resolve</source>
        <translation>Auflösbare Aliasse a&amp;uffrischen</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Bericht</translation>
    </message>
    <message>
        <source>What the last scan found. Ctrl+F finds text in it.</source>
        <translation>Was die letzte Prüfung gefunden hat. Strg+F sucht Text darin.</translation>
    </message>
</context>
<context>
    <name>WriteResult</name>
    <message>
        <source>it changed while it was being written</source>
        <translation>es hat sich geändert, während es geschrieben wurde</translation>
    </message>
    <message>
        <source>the new bookmark data can&apos;t be read back</source>
        <translation>die neuen Lesezeichendaten lassen sich nicht zurücklesen</translation>
    </message>
    <message>
        <source>it is not the alias file read last</source>
        <translation>es ist nicht die zuletzt gelesene Alias-Datei</translation>
    </message>
    <message>
        <source>it changed since it was read</source>
        <translation>es hat sich seit dem Lesen geändert</translation>
    </message>
    <message>
        <source>it is not beside a walked entry</source>
        <translation>es liegt nicht neben einem durchlaufenen Eintrag</translation>
    </message>
    <message>
        <source>its name is taken by something other than a plain file</source>
        <translation>sein Name gehört schon etwas anderem als einer einfachen Datei</translation>
    </message>
    <message>
        <source>it changed while it was looked at</source>
        <translation>es hat sich geändert, während es angesehen wurde</translation>
    </message>
    <message>
        <source>its name is taken by a Finder alias</source>
        <translation>sein Name gehört schon einem Finder-Alias</translation>
    </message>
</context>
<context>
    <name>korvex::AliasOpenController</name>
    <message>
        <source>Aliases can&apos;t be resolved on this system.</source>
        <translation>Aliasse lassen sich auf diesem System nicht auflösen.</translation>
    </message>
    <message>
        <source>Korvex</source>
        <translation>Korvex</translation>
    </message>
    <message>
        <source>This alias couldn&apos;t be opened.</source>
        <translation>Dieser Alias konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>These aliases couldn&apos;t be opened.</source>
        <translation>Diese Aliasse konnten nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Aliases that couldn&apos;t be opened</source>
        <translation>Aliasse, die nicht geöffnet werden konnten</translation>
    </message>
    <message>
        <source>%1 leads to an alias that leads to another, more than %2 times: nothing was opened.</source>
        <translation>%1 führt zu einem Alias, der zu einem weiteren führt, mehr als %2-mal: nichts wurde geöffnet.</translation>
    </message>
    <message>
        <source>Nothing could open %1, the target of %2.</source>
        <translation>Nichts konnte %1 öffnen, das Ziel von %2.</translation>
    </message>
    <message>
        <source>Neither the file manager nor any other application could show %1, the target of %2.</source>
        <translation>Weder die Dateiverwaltung noch eine andere Anwendung konnte %1 zeigen, das Ziel von %2.</translation>
    </message>
    <message>
        <source>%1 is broken: its target is neither where it was nor anywhere your path mappings lead.</source>
        <translation>%1 ist defekt: sein Ziel ist weder dort, wo es war, noch dort, wohin Ihre Pfadzuordnungen führen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the alias %1: %2.</source>
        <translation>Konnte den Alias %1 nicht lesen: %2.</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the way to the target of %1 (%2), so it isn&apos;t known whether the target is still there.</source>
        <translation>Konnte den Weg zum Ziel von %1 nicht lesen (%2); ob das Ziel noch da ist, ist daher unbekannt.</translation>
    </message>
    <message>
        <source>There is no file %1.</source>
        <translation>Es gibt keine Datei %1.</translation>
    </message>
    <message>
        <source>%1 is no Mac alias.</source>
        <translation>%1 ist kein Mac-Alias.</translation>
    </message>
</context>
<context>
    <name>korvex::AppDelegate</name>
    <message>
        <source>Korvex is updated with the rest of your system, by its package manager (for example the Software application, or &quot;sudo apt upgrade&quot; in a terminal).</source>
        <translation>Korvex wird mit dem Rest des Systems von dessen Paketverwaltung aktualisiert (zum Beispiel mit der Anwendung Software oder mit „sudo apt upgrade“ in einem Terminal).</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Aktualisierungen suchen</translation>
    </message>
</context>
<context>
    <name>korvex::BrokenAliasDialog</name>
    <message>
        <source>Broken Alias: %1</source>
        <translation>Defekter Alias: %1</translation>
    </message>
    <message>
        <source>Broken alias</source>
        <translation>Defekter Alias</translation>
    </message>
    <message>
        <source>The alias %1 is broken: its target is neither where it was nor anywhere your path mappings lead.</source>
        <translation>Der Alias %1 ist defekt: sein Ziel ist weder dort, wo es war, noch dort, wohin Ihre Pfadzuordnungen führen.</translation>
    </message>
    <message>
        <source>Where the alias pointed</source>
        <translation>Wohin der Alias zeigte</translation>
    </message>
    <message>
        <source>Search status</source>
        <translation>Stand der Suche</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>S&amp;toppen</translation>
    </message>
    <message>
        <source>Stop the search</source>
        <translation>Die Suche anhalten</translation>
    </message>
    <message>
        <source>Where the target may have gone</source>
        <translation>Wohin das Ziel gegangen sein könnte</translation>
    </message>
    <message>
        <source>Show in &amp;Folder</source>
        <translation>Im &amp;Ordner zeigen</translation>
    </message>
    <message>
        <source>Add &amp;Mapping</source>
        <translation>&amp;Zuordnung hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Undo Relink</source>
        <translation>Neuverknüpfung &amp;rückgängig</translation>
    </message>
    <message>
        <source>&amp;Relink...</source>
        <translation>Neu &amp;verknüpfen...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Show the alias in its folder</source>
        <translation>Den Alias in seinem Ordner zeigen</translation>
    </message>
    <message>
        <source>Add the suggested path mapping</source>
        <translation>Die vorgeschlagene Pfadzuordnung hinzufügen</translation>
    </message>
    <message>
        <source>Undo the relink</source>
        <translation>Die Neuverknüpfung rückgängig machen</translation>
    </message>
    <message>
        <source>Relink the alias to the chosen place</source>
        <translation>Den Alias mit dem gewählten Ort neu verknüpfen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>Wird angehalten…</translation>
    </message>
    <message>
        <source>No file manager could show the alias.</source>
        <translation>Keine Dateiverwaltung konnte den Alias zeigen.</translation>
    </message>
    <message>
        <source>Searching the alias&apos;s folder, everything below it and your path mappings for where the target went…</source>
        <translation>Der Ordner des Alias, alles darunter und Ihre Pfadzuordnungen werden nach dem Ziel durchsucht…</translation>
    </message>
    <message>
        <source>Stopped before anything was found.</source>
        <translation>Angehalten, bevor etwas gefunden wurde.</translation>
    </message>
    <message>
        <source>The search couldn&apos;t look for the target: the alias names no file to look for, or changed meanwhile.</source>
        <translation>Die Suche konnte nicht nach dem Ziel suchen: der Alias nennt keine zu suchende Datei oder hat sich inzwischen geändert.</translation>
    </message>
    <message>
        <source>Stopped: nothing found so far.</source>
        <translation>Angehalten: bisher nichts gefunden.</translation>
    </message>
    <message>
        <source>Nothing of the same name was found in the alias&apos;s folder, below it or in the local folders of your path mappings.</source>
        <translation>Nichts gleichen Namens wurde im Ordner des Alias, darunter oder in den lokalen Ordnern Ihrer Pfadzuordnungen gefunden.</translation>
    </message>
    <message>
        <source>Stopped: the best places found so far.</source>
        <translation>Angehalten: die besten bisher gefundenen Orte.</translation>
    </message>
    <message>
        <source>The best places the target may have gone to, the likeliest first.</source>
        <translation>Die besten Orte, an die das Ziel gegangen sein könnte, der wahrscheinlichste zuerst.</translation>
    </message>
    <message>
        <source>The disk seems to have moved: a path mapping of %1 to %2 would fix it and every other alias into it.</source>
        <translation>Der Datenträger scheint umgezogen zu sein: eine Pfadzuordnung von %1 auf %2 würde diesen und jeden anderen Alias darauf reparieren.</translation>
    </message>
    <message>
        <source>Relink Alias</source>
        <translation>Alias neu verknüpfen</translation>
    </message>
    <message>
        <source>Relink the alias to %1?</source>
        <translation>Den Alias mit %1 neu verknüpfen?</translation>
    </message>
    <message>
        <source>This rewrites the alias file. Undo Relink here, or korvex-scan --undo-relink, puts it back.</source>
        <translation>Das schreibt die Alias-Datei neu. Neuverknüpfung rückgängig hier oder korvex-scan --undo-relink stellt sie wieder her.</translation>
    </message>
    <message>
        <source>&amp;Relink</source>
        <translation>Neu &amp;verknüpfen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Relinking…</source>
        <translation>Wird neu verknüpft…</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the relink journal (%1): nothing was relinked.</source>
        <translation>Konnte das Verknüpfungsprotokoll nicht verwenden (%1): nichts wurde neu verknüpft.</translation>
    </message>
    <message>
        <source>Couldn&apos;t relink the alias: %1</source>
        <translation>Konnte den Alias nicht neu verknüpfen: %1</translation>
    </message>
    <message>
        <source>Relinked to %1. Undo Relink puts the alias back.</source>
        <translation>Neu verknüpft mit %1. Neuverknüpfung rückgängig stellt den Alias wieder her.</translation>
    </message>
    <message>
        <source>The alias couldn&apos;t be read again: nothing was relinked.</source>
        <translation>Der Alias ließ sich nicht erneut lesen: nichts wurde neu verknüpft.</translation>
    </message>
    <message>
        <source>Undoing the relink…</source>
        <translation>Die Neuverknüpfung wird rückgängig gemacht…</translation>
    </message>
    <message>
        <source>Couldn&apos;t undo the relink (%1): nothing was restored.</source>
        <translation>Konnte die Neuverknüpfung nicht rückgängig machen (%1): nichts wurde wiederhergestellt.</translation>
    </message>
    <message>
        <source>The alias is back as it was.</source>
        <translation>Der Alias ist wieder wie vorher.</translation>
    </message>
    <message>
        <source>Left as it is: the alias changed since the relink.</source>
        <translation>Unverändert gelassen: der Alias hat sich seit der Neuverknüpfung geändert.</translation>
    </message>
    <message>
        <source>Couldn&apos;t restore the alias.</source>
        <translation>Konnte den Alias nicht wiederherstellen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t add the mapping: %1</source>
        <translation>Konnte die Zuordnung nicht hinzufügen: %1</translation>
    </message>
    <message>
        <source>Added the mapping of %1 to %2: the alias resolves through it now, as every scan does.</source>
        <translation>Zuordnung von %1 auf %2 hinzugefügt: der Alias löst sich jetzt darüber auf, wie bei jeder Prüfung.</translation>
    </message>
</context>
<context>
    <name>korvex::DocumentWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Window</source>
        <translation>&amp;Neues Fenster</translation>
    </message>
    <message>
        <source>Scan &amp;Folder...</source>
        <translation>&amp;Ordner prüfen...</translation>
    </message>
    <message>
        <source>&amp;Save Output...</source>
        <translation>Ausgabe &amp;speichern...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Bigger</source>
        <translation>&amp;Größer</translation>
    </message>
    <message>
        <source>&amp;Smaller</source>
        <translation>&amp;Kleiner</translation>
    </message>
    <message>
        <source>&amp;Actual Size</source>
        <translation>&amp;Originalgröße</translation>
    </message>
    <message>
        <source>&amp;Wrap Lines</source>
        <translation>&amp;Zeilen umbrechen</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Prüfen</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>&amp;Stoppen</translation>
    </message>
    <message>
        <source>&amp;Rescan</source>
        <translation>&amp;Erneut prüfen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Korvex &amp;Help</source>
        <translation>Korvex-&amp;Hilfe</translation>
    </message>
    <message>
        <source>Check for &amp;Updates...</source>
        <translation>Nach &amp;Aktualisierungen suchen...</translation>
    </message>
    <message>
        <source>&amp;Support...</source>
        <translation>&amp;Unterstützung...</translation>
    </message>
    <message>
        <source>&amp;About Korvex</source>
        <translation>&amp;Über Korvex</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Korvex&lt;/b&gt; %1&lt;/p&gt;&lt;p&gt;Finds broken macOS Finder aliases on Linux disks.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Korvex&lt;/b&gt; %1&lt;/p&gt;&lt;p&gt;Findet defekte macOS-Finder-Aliasse auf Linux-Datenträgern.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Home page: &lt;a href=&quot;%1&quot;&gt;%1&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;Webseite: &lt;a href=&quot;%1&quot;&gt;%1&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Licence: proprietary; all rights reserved.&lt;/p&gt;&lt;p&gt;Built with Qt %1 (running on Qt %2) and ICU %3.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Lizenz: proprietär; alle Rechte vorbehalten.&lt;/p&gt;&lt;p&gt;Erstellt mit Qt %1 (läuft mit Qt %2) und ICU %3.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About Korvex</source>
        <translation>Über Korvex</translation>
    </message>
</context>
<context>
    <name>korvex::FindBar</name>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Clear the find field</source>
        <translation>Suchfeld leeren</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Vorheriger</translation>
    </message>
    <message>
        <source>Previous match (Shift+Return, Shift+F3)</source>
        <translation>Vorheriger Treffer (Umschalt+Eingabe, Umschalt+F3)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Nächster</translation>
    </message>
    <message>
        <source>Next match (Return, F3)</source>
        <translation>Nächster Treffer (Eingabe, F3)</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
</context>
<context>
    <name>korvex::HelpSearchBar</name>
    <message>
        <source>Find in the manual</source>
        <translation>Im Handbuch suchen</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message numerus="yes">
        <source>%n match(es)</source>
        <translation>
            <numerusform>%n Treffer</numerusform>
            <numerusform>%n Treffer</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
</context>
<context>
    <name>korvex::HelpViewController</name>
    <message>
        <source>&amp;Pages</source>
        <translation>&amp;Seiten</translation>
    </message>
    <message>
        <source>&amp;Text</source>
        <translation>&amp;Text</translation>
    </message>
    <message>
        <source>The manual as text, to select and copy from</source>
        <translation>Das Handbuch als Text, zum Auswählen und Kopieren</translation>
    </message>
    <message>
        <source>Manual pages</source>
        <translation>Handbuchseiten</translation>
    </message>
    <message>
        <source>The manual&apos;s pages as pictures; the Text tab (Alt+T) has the same manual as text.</source>
        <translation>Die Seiten des Handbuchs als Bilder; der Reiter Text (Alt+T) hat dasselbe Handbuch als Text.</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>The manual&apos;s chapters; Return shows one.</source>
        <translation>Die Kapitel des Handbuchs; Eingabe zeigt eines.</translation>
    </message>
    <message>
        <source>Manual text</source>
        <translation>Handbuchtext</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
</context>
<context>
    <name>korvex::MovedTargetsController</name>
    <message>
        <source>Find &amp;Moved Targets...</source>
        <translation>&amp;Verschobene Ziele finden...</translation>
    </message>
    <message>
        <source>Look for where the targets of the broken aliases went, and relink them</source>
        <translation>Sucht, wohin die Ziele der defekten Aliasse gewandert sind, und verknüpft sie neu</translation>
    </message>
    <message>
        <source>&amp;Undo Relink</source>
        <translation>Neuverknüpfung &amp;rückgängig</translation>
    </message>
    <message>
        <source>Finding Moved Targets…</source>
        <translation>Verschobene Ziele werden gesucht…</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the relink journal (%1): nothing was relinked
</source>
        <translation>Konnte das Verknüpfungsprotokoll nicht verwenden (%1): nichts wurde neu verknüpft
</translation>
    </message>
    <message>
        <source>Some aliases couldn&apos;t be relinked: the end of the report says which, and why.</source>
        <translation>Einige Aliasse konnten nicht neu verknüpft werden: das Ende des Berichts sagt, welche und warum.</translation>
    </message>
    <message>
        <source>Edit &gt; Undo Relink (Ctrl+Z) puts these aliases back.
</source>
        <translation>Bearbeiten &gt; Neuverknüpfung rückgängig (Strg+Z) stellt diese Aliasse wieder her.
</translation>
    </message>
    <message>
        <source>Undoing the last relink…</source>
        <translation>Die letzte Neuverknüpfung wird rückgängig gemacht…</translation>
    </message>
    <message>
        <source>Couldn&apos;t undo the relink (%1): nothing was restored
</source>
        <translation>Konnte die Neuverknüpfung nicht rückgängig machen (%1): nichts wurde wiederhergestellt
</translation>
    </message>
    <message>
        <source>Left as it is (changed since the relink): %1
</source>
        <translation>Unverändert gelassen (seit der Neuverknüpfung geändert): %1
</translation>
    </message>
    <message>
        <source>Couldn&apos;t restore %1
</source>
        <translation>Konnte %1 nicht wiederherstellen
</translation>
    </message>
    <message>
        <source>Some aliases couldn&apos;t be restored: the end of the report says which.</source>
        <translation>Einige Aliasse konnten nicht wiederhergestellt werden: das Ende des Berichts sagt, welche.</translation>
    </message>
    <message numerus="yes">
        <source>Restored %n aliases.
</source>
        <translation>
            <numerusform>%n Alias wiederhergestellt.
</numerusform>
            <numerusform>%n Aliasse wiederhergestellt.
</numerusform>
        </translation>
    </message>
    <message>
        <source>the folder %1 can&apos;t be opened</source>
        <translation>der Ordner %1 lässt sich nicht öffnen</translation>
    </message>
    <message>
        <source>the undo ran out of memory</source>
        <translation>dem Rückgängigmachen ging der Speicher aus</translation>
    </message>
</context>
<context>
    <name>korvex::MovedTargetsDialog</name>
    <message>
        <source>Find Moved Targets</source>
        <translation>Verschobene Ziele finden</translation>
    </message>
    <message>
        <source>No path mapping to suggest.</source>
        <translation>Keine Pfadzuordnung vorzuschlagen.</translation>
    </message>
    <message>
        <source>No broken aliases were found this time: there is nothing to relink.</source>
        <translation>Diesmal wurden keine defekten Aliasse gefunden: es gibt nichts neu zu verknüpfen.</translation>
    </message>
    <message numerus="yes">
        <source>No new target was found for any of the %n broken aliases: no entry of the same name is in the scanned folder or in the local folders of the path mappings.</source>
        <translation>
            <numerusform>Für den defekten Alias wurde kein neues Ziel gefunden: kein Eintrag gleichen Namens ist im geprüften Ordner oder in den lokalen Ordnern der Pfadzuordnungen.</numerusform>
            <numerusform>Für keinen der %n defekten Aliasse wurde ein neues Ziel gefunden: kein Eintrag gleichen Namens ist im geprüften Ordner oder in den lokalen Ordnern der Pfadzuordnungen.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Add Mapping</source>
        <translation>Zuordnung &amp;hinzufügen</translation>
    </message>
    <message numerus="yes">
        <source>&amp;Relink %n Checked</source>
        <translation>
            <numerusform>%n Angehakten neu &amp;verknüpfen</numerusform>
            <numerusform>%n Angehakte neu &amp;verknüpfen</numerusform>
        </translation>
    </message>
    <message>
        <source>Relink Aliases</source>
        <translation>Aliasse neu verknüpfen</translation>
    </message>
    <message numerus="yes">
        <source>Relink %n aliases to the new targets shown?</source>
        <translation>
            <numerusform>%n Alias mit dem gezeigten neuen Ziel verknüpfen?</numerusform>
            <numerusform>%n Aliasse mit den gezeigten neuen Zielen verknüpfen?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>This rewrites %n alias files. Edit &gt; Undo Relink (Ctrl+Z) in the main window puts them back, as korvex-scan --undo-relink does.</source>
        <translation>
            <numerusform>Das schreibt %n Alias-Datei neu. Bearbeiten &gt; Neuverknüpfung rückgängig (Strg+Z) im Hauptfenster stellt sie wieder her, wie korvex-scan --undo-relink.</numerusform>
            <numerusform>Das schreibt %n Alias-Dateien neu. Bearbeiten &gt; Neuverknüpfung rückgängig (Strg+Z) im Hauptfenster stellt sie wieder her, wie korvex-scan --undo-relink.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Relink</source>
        <translation>Neu &amp;verknüpfen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Relinking…</source>
        <translation>Wird neu verknüpft…</translation>
    </message>
    <message>
        <source>Couldn&apos;t add the mapping: %1</source>
        <translation>Konnte die Zuordnung nicht hinzufügen: %1</translation>
    </message>
    <message>
        <source>Added. The next scan resolves the aliases through it.</source>
        <translation>Hinzugefügt. Die nächste Prüfung löst die Aliasse darüber auf.</translation>
    </message>
    <message numerus="yes">
        <source>%1 = %2   (fixes %n aliases)</source>
        <translation>
            <numerusform>%1 = %2   (repariert %n Alias)</numerusform>
            <numerusform>%1 = %2   (repariert %n Aliasse)</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Broken aliases and where their targets may be now. Checked rows are relinked; double-click a new target to pick another.</source>
        <translation>&amp;Defekte Aliasse und wo ihre Ziele jetzt sein könnten. Angehakte Zeilen werden neu verknüpft; ein Doppelklick auf ein neues Ziel wählt ein anderes.</translation>
    </message>
    <message>
        <source>Broken aliases</source>
        <translation>Defekte Aliasse</translation>
    </message>
    <message>
        <source>Checked rows are relinked. Space checks or clears a row; F2 picks another new target.</source>
        <translation>Angehakte Zeilen werden neu verknüpft. Leertaste hakt eine Zeile an oder ab; F2 wählt ein anderes neues Ziel.</translation>
    </message>
    <message>
        <source>Suggested path mappings</source>
        <translation>Vorgeschlagene Pfadzuordnungen</translation>
    </message>
    <message>
        <source>Add Mapping stores the selected one; Delete takes it off this list.</source>
        <translation>Zuordnung hinzufügen speichert die ausgewählte; Entf nimmt sie von dieser Liste.</translation>
    </message>
    <message>
        <source>&amp;Suggested path mappings (the aliases stay exactly as the Mac wrote them):</source>
        <translation>Vorgeschlagene &amp;Pfadzuordnungen (die Aliasse bleiben genau so, wie der Mac sie schrieb):</translation>
    </message>
</context>
<context>
    <name>korvex::MovedTargetsModel</name>
    <message>
        <source>A classic alias: the Mac reads it from its resource fork, which is never rewritten here. Relink it on the Mac, or add the suggested mapping.</source>
        <translation>Ein klassischer Alias: der Mac liest ihn aus seinem Resource-Fork, der hier nie neu geschrieben wird. Auf dem Mac neu verknüpfen oder die vorgeschlagene Zuordnung hinzufügen.</translation>
    </message>
    <message>
        <source>No path mapping leads from this folder back to the Mac that uses the alias: add the suggested mapping instead.</source>
        <translation>Keine Pfadzuordnung führt von diesem Ordner zurück zum Mac, der den Alias nutzt: stattdessen die vorgeschlagene Zuordnung hinzufügen.</translation>
    </message>
    <message>
        <source>(none found)</source>
        <translation>(keins gefunden)</translation>
    </message>
    <message>
        <source>  (%1 more)</source>
        <translation>  (%1 weitere)</translation>
    </message>
    <message>
        <source>No entry of this name was found</source>
        <translation>Kein Eintrag dieses Namens gefunden</translation>
    </message>
    <message>
        <source>A classic alias: relink it on the Mac</source>
        <translation>Ein klassischer Alias: auf dem Mac neu verknüpfen</translation>
    </message>
    <message>
        <source>Only a path mapping can fix it</source>
        <translation>Nur eine Pfadzuordnung kann ihn reparieren</translation>
    </message>
    <message>
        <source>A tie: %1 candidates rank alike; pick one</source>
        <translation>Gleichstand: %1 Kandidaten sind gleich gut; einen auswählen</translation>
    </message>
    <message>
        <source>Off: tick it to relink</source>
        <translation>Aus: zum Neuverknüpfen anhaken</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Alias</translation>
    </message>
    <message>
        <source>Stored target</source>
        <translation>Gespeichertes Ziel</translation>
    </message>
    <message>
        <source>New target</source>
        <translation>Neues Ziel</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Can&apos;t be relinked here; the Note column says why.</source>
        <translation>Kann hier nicht neu verknüpft werden; die Spalte Hinweis sagt, warum.</translation>
    </message>
    <message>
        <source>Checked: relinked by Relink Checked. Space clears it.</source>
        <translation>Angehakt: wird von Angehakte neu verknüpfen neu verknüpft. Leertaste hakt ab.</translation>
    </message>
    <message>
        <source>Not checked. Space checks it.</source>
        <translation>Nicht angehakt. Leertaste hakt an.</translation>
    </message>
</context>
<context>
    <name>korvex::PreferencesDialog</name>
    <message>
        <source>1 line of %1 could not be read; OK drops it.</source>
        <translation>1 Zeile von %1 konnte nicht gelesen werden; OK verwirft sie.</translation>
    </message>
    <message>
        <source>%1 lines of %2 could not be read; OK drops them.</source>
        <translation>%1 Zeilen von %2 konnten nicht gelesen werden; OK verwirft sie.</translation>
    </message>
    <message>
        <source>Row %1: both the Mac path prefix and the local folder must be full paths, starting with /.</source>
        <translation>Zeile %1: Mac-Pfadpräfix und lokaler Ordner müssen beide vollständige Pfade sein, beginnend mit /.</translation>
    </message>
    <message>
        <source>The path mappings could not be kept: %1</source>
        <translation>Die Pfadzuordnungen konnten nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>&amp;Auswählen</translation>
    </message>
</context>
<context>
    <name>korvex::ViewController</name>
    <message>
        <source>Mark and Refresh were not applied to this scan: press Scan to apply them</source>
        <translation>Markieren und Auffrischen wurden bei dieser Prüfung nicht angewandt: Prüfen drücken, um sie anzuwenden</translation>
    </message>
    <message>
        <source>Mark was not applied to this scan: press Scan to apply it</source>
        <translation>Markieren wurde bei dieser Prüfung nicht angewandt: Prüfen drücken, um es anzuwenden</translation>
    </message>
    <message>
        <source>Refresh was not applied to this scan: press Scan to apply it</source>
        <translation>Auffrischen wurde bei dieser Prüfung nicht angewandt: Prüfen drücken, um es anzuwenden</translation>
    </message>
    <message>
        <source>Getting scan results…</source>
        <translation>Prüfergebnisse werden geholt…</translation>
    </message>
    <message>
        <source>Scanning %1…</source>
        <translation>%1 wird geprüft…</translation>
    </message>
    <message>
        <source>Stopping after the entry at hand…</source>
        <translation>Anhalten nach dem aktuellen Eintrag…</translation>
    </message>
    <message>
        <source>Examined %1 entries, %2 Finder aliases</source>
        <translation>%1 Einträge untersucht, %2 Finder-Aliasse</translation>
    </message>
    <message>
        <source>; reading %1</source>
        <translation>; liest %1</translation>
    </message>
    <message>
        <source>Stopped after %1 entries, %2 Finder aliases, %3 broken.</source>
        <translation>Angehalten nach %1 Einträgen, %2 Finder-Aliassen, %3 defekt.</translation>
    </message>
    <message>
        <source>Last scan: %1 entries, %2 Finder aliases, %3 broken.</source>
        <translation>Letzte Prüfung: %1 Einträge, %2 Finder-Aliasse, %3 defekt.</translation>
    </message>
    <message>
        <source>Couldn&apos;t find that folder. Try again.</source>
        <translation>Dieser Ordner wurde nicht gefunden. Bitte erneut versuchen.</translation>
    </message>
    <message>
        <source>Mark is on: a note is written beside each broken alias.</source>
        <translation>Markieren ist an: neben jeden defekten Alias wird eine Notiz geschrieben.</translation>
    </message>
    <message>
        <source>Refresh is on: each alias that resolves is rewritten with fresh data.</source>
        <translation>Auffrischen ist an: jeder auflösbare Alias wird mit frischen Daten neu geschrieben.</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Gespeichert in %1</translation>
    </message>
    <message>
        <source>Clear the folder field</source>
        <translation>Ordnerfeld leeren</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Find in the report</source>
        <translation>Im Bericht suchen</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Prüfen</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>&amp;Auswählen</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Finds broken macOS Finder aliases on Linux disks.</source>
        <translation>Findet defekte macOS-Finder-Aliasse auf Linux-Datenträgern.</translation>
    </message>
    <message>
        <source>[FOLDER | ALIAS...]</source>
        <translation>[ORDNER | ALIAS...]</translation>
    </message>
</context>
</TS>
