<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CBackEndDlg1</name>
    <message>
        <source>Footprints</source>
        <translation>Footprints</translation>
    </message>
    <message>
        <source>Select Footprint </source>
        <translation>Footprint auswählen </translation>
    </message>
    <message>
        <source>&amp;Filter :</source>
        <translation>&amp;Filter :</translation>
    </message>
    <message>
        <source>Shows only the footprints whose names begin with the text; * stands for any characters</source>
        <translation>Zeigt nur die Footprints, deren Namen mit dem Text beginnen; * steht für beliebige Zeichen</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Footprints found on the footprint search path; the current row is the one OK takes</source>
        <translation>Im Footprint-Suchpfad gefundene Footprints; OK übernimmt die aktuelle Zeile</translation>
    </message>
    <message>
        <source>Footprint Grid1</source>
        <translation>Footprint-Tabelle 1</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Opens the drawing of the current footprint in the PCB editor</source>
        <translation>Öffnet die Zeichnung des aktuellen Footprints im PCB-Editor</translation>
    </message>
    <message>
        <source>&amp;View Footprint</source>
        <translation>Footprint an&amp;zeigen</translation>
    </message>
    <message>
        <source>Starts a new, unnamed footprint drawing in the PCB editor</source>
        <translation>Beginnt im PCB-Editor eine neue, unbenannte Footprint-Zeichnung</translation>
    </message>
    <message>
        <source>&amp;New Footprint</source>
        <translation>&amp;Neuer Footprint</translation>
    </message>
</context>
<context>
    <name>CBackEndDlg2</name>
    <message>
        <source>Footprints</source>
        <translation>Footprints</translation>
    </message>
    <message>
        <source>Select Footprint(s) </source>
        <translation>Footprint(s) auswählen </translation>
    </message>
    <message>
        <source>&amp;Filter : </source>
        <translation>&amp;Filter : </translation>
    </message>
    <message>
        <source>Shows only the footprints whose names begin with the text; * stands for any characters</source>
        <translation>Zeigt nur die Footprints, deren Namen mit dem Text beginnen; * steht für beliebige Zeichen</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Footprints found on the footprint search path, each with the board side it goes on; OK takes the selected rows</source>
        <translation>Im Footprint-Suchpfad gefundene Footprints, jeweils mit der Platinenseite; OK übernimmt die ausgewählten Zeilen</translation>
    </message>
    <message>
        <source>Footprint Grid2</source>
        <translation>Footprint-Tabelle 2</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Opens the drawing of the current footprint in the PCB editor</source>
        <translation>Öffnet die Zeichnung des aktuellen Footprints im PCB-Editor</translation>
    </message>
    <message>
        <source>&amp;View Footprint</source>
        <translation>Footprint an&amp;zeigen</translation>
    </message>
    <message>
        <source>Starts a new, unnamed footprint drawing in the PCB editor</source>
        <translation>Beginnt im PCB-Editor eine neue, unbenannte Footprint-Zeichnung</translation>
    </message>
    <message>
        <source>&amp;New Footprint</source>
        <translation>&amp;Neuer Footprint</translation>
    </message>
</context>
<context>
    <name>CBackEndMain</name>
    <message>
        <source>Backend dialog-box creation failed</source>
        <translation>Der Dialog konnte nicht erstellt werden</translation>
    </message>
</context>
<context>
    <name>CFootprintSearchJob</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reading footprint folders: %1 of %2
Footprints found: %3</source>
        <translation>Footprint-Ordner werden gelesen: %1 von %2
Gefundene Footprints: %3</translation>
    </message>
    <message>
        <source>not enough memory to list the footprints</source>
        <translation>Nicht genug Speicher, um die Footprints aufzulisten</translation>
    </message>
    <message>
        <source>Reading the footprint folders…</source>
        <translation>Die Footprint-Ordner werden gelesen…</translation>
    </message>
    <message>
        <source>Reading footprint folders: %1 of %2
Drawings found: %3</source>
        <translation>Footprint-Ordner werden gelesen: %1 von %2
Gefundene Zeichnungen: %3</translation>
    </message>
    <message>
        <source>Opening the footprint drawing…</source>
        <translation>Die Footprint-Zeichnung wird geöffnet…</translation>
    </message>
</context>
<context>
    <name>CGridSpeech</name>
    <message>
        <source>empty</source>
        <translation>leer</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Row %1</source>
        <translation>Zeile %1</translation>
    </message>
</context>
<context>
    <name>CLocationDlg</name>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Select the footprint location :</source>
        <translation>Ort des Footprints auswählen :</translation>
    </message>
    <message>
        <source>The places where the footprint drawing was found; OK or a double-click opens the current one</source>
        <translation>Die Orte, an denen die Footprint-Zeichnung gefunden wurde; OK oder ein Doppelklick öffnet den aktuellen</translation>
    </message>
    <message>
        <source>Location Grid</source>
        <translation>Orte-Tabelle</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation>Footprint</translation>
    </message>
</context>
<context>
    <name>CPhysPropsDlg</name>
    <message>
        <source>Physical Properties</source>
        <translation>Physikalische Eigenschaften</translation>
    </message>
    <message>
        <source>Specify Values</source>
        <translation>Werte angeben</translation>
    </message>
    <message>
        <source>The part&apos;s properties; the Value cells can be edited</source>
        <translation>Die Eigenschaften des Bauteils; die Zellen der Spalte Wert sind bearbeitbar</translation>
    </message>
    <message>
        <source>Physical Props Grid</source>
        <translation>Eigenschaften-Tabelle</translation>
    </message>
    <message>
        <source>Picks footprints from the footprint search path for the current property</source>
        <translation>Wählt Footprints aus dem Footprint-Suchpfad für die aktuelle Eigenschaft</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Opens the drawing of the current property&apos;s footprint in the PCB editor</source>
        <translation>Öffnet die Zeichnung des Footprints der aktuellen Eigenschaft im PCB-Editor</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Anzeigen</translation>
    </message>
    <message>
        <source>Empties the value of the current property</source>
        <translation>Leert den Wert der aktuellen Eigenschaft</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Opens the project setup editor on the project file</source>
        <translation>Öffnet den Projekteinrichtungs-Editor mit der Projektdatei</translation>
    </message>
    <message>
        <source>PCB Editor &amp;Setup</source>
        <translation>PCB-Editor-&amp;Einrichtung</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Eigenschaft</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
</context>
<context>
    <name>CTexts</name>
    <message>
        <source>ERROR : Incorrect syntax of ALT_SYMBOLS.
Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)</source>
        <translation>FEHLER : Falsche Syntax von ALT_SYMBOLS.
Richtige Syntax ist : (Subclass:Symbol ,... ; Subclass:Symbol ,...)</translation>
    </message>
    <message>
        <source>PCB editor</source>
        <translation>PCB-Editor</translation>
    </message>
    <message>
        <source>project setup editor</source>
        <translation>Projekteinrichtungs-Editor</translation>
    </message>
    <message>
        <source>Search folders skipped:</source>
        <translation>Übersprungene Suchordner:</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>und %n weiterer</numerusform>
            <numerusform>und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Footprint can&apos;t be viewed as corresponding .dra file not found in the PSMPATH</source>
        <translation>Footprint kann nicht angezeigt werden, da die zugehörige .dra-Datei im PSMPATH nicht gefunden wurde</translation>
    </message>
    <message>
        <source>These footprints cannot be part of the selection: their names contain a comma, semicolon, colon or blank, which would split them into other names.</source>
        <translation>Diese Footprints können nicht Teil der Auswahl sein: Ihre Namen enthalten ein Komma, Semikolon, einen Doppelpunkt oder ein Leerzeichen, wodurch sie in andere Namen zerfallen würden.</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... und %n weiterer</numerusform>
            <numerusform>... und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>Take them out of the selection, then press OK again.</source>
        <translation>Nehmen Sie sie aus der Auswahl und drücken Sie dann erneut OK.</translation>
    </message>
    <message>
        <source>no folder (PATH is empty)</source>
        <translation>keinem Ordner (PATH ist leer)</translation>
    </message>
    <message>
        <source>Files left out because their names are not valid UTF-8 (rename them to use them):</source>
        <translation>Ausgelassene Dateien, deren Namen kein gültiges UTF-8 sind (zum Verwenden umbenennen):</translation>
    </message>
    <message>
        <source>The footprint search path is empty: there is no project file, and the environment variable PSMPATH names no folder. Set PSMPATH to the footprint folders, separated by &apos;:&apos;.</source>
        <translation>Der Footprint-Suchpfad ist leer: Es gibt keine Projektdatei, und die Umgebungsvariable PSMPATH nennt keinen Ordner. Setzen Sie PSMPATH auf die Footprint-Ordner, getrennt durch &apos;:&apos;.</translation>
    </message>
    <message>
        <source>search folders skipped: %1</source>
        <translation>übersprungene Suchordner: %1</translation>
    </message>
    <message>
        <source>files left out, their names are not valid UTF-8: %1</source>
        <translation>ausgelassene Dateien, deren Namen kein gültiges UTF-8 sind: %1</translation>
    </message>
    <message>
        <source>Not every footprint could be listed; %1.</source>
        <translation>Nicht jeder Footprint konnte aufgelistet werden; %1.</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>The footprint search path is empty: the psmpath lines of the project file &quot;%1&quot; name no folder. Give them the footprint folders.</source>
        <translation>Der Footprint-Suchpfad ist leer: Die psmpath-Zeilen der Projektdatei „%1“ nennen keinen Ordner. Tragen Sie dort die Footprint-Ordner ein.</translation>
    </message>
    <message>
        <source>The footprint search path is empty: the project file &quot;%1&quot; has no psmpath line, and the environment variable PSMPATH names no folder. Add psmpath lines to the project file, or set PSMPATH to the footprint folders.</source>
        <translation>Der Footprint-Suchpfad ist leer: Die Projektdatei „%1“ hat keine psmpath-Zeile, und die Umgebungsvariable PSMPATH nennt keinen Ordner. Fügen Sie der Projektdatei psmpath-Zeilen hinzu oder setzen Sie PSMPATH auf die Footprint-Ordner.</translation>
    </message>
    <message>
        <source>The footprint drawing &quot;%1&quot; can&apos;t be opened: %2.</source>
        <translation>Die Footprint-Zeichnung „%1“ kann nicht geöffnet werden: %2.</translation>
    </message>
    <message numerus="yes">
        <source>The %1 &quot;%2&quot; did not get %n request(s) to open a drawing: %3.
Try again: the next request starts it anew.</source>
        <translation>
            <numerusform>Der %1 „%2“ hat %n Anfrage zum Öffnen einer Zeichnung nicht erhalten: %3.
Versuchen Sie es erneut: Die nächste Anfrage startet ihn neu.</numerusform>
            <numerusform>Der %1 „%2“ hat %n Anfragen zum Öffnen einer Zeichnung nicht erhalten: %3.
Versuchen Sie es erneut: Die nächste Anfrage startet ihn neu.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot start the %1: the program &quot;%2&quot; was not found.
Looked in: %3
Install it, or add its folder to PATH.</source>
        <translation>Der %1 kann nicht gestartet werden: Das Programm „%2“ wurde nicht gefunden.
Gesucht in: %3
Installieren Sie es, oder fügen Sie seinen Ordner zu PATH hinzu.</translation>
    </message>
    <message>
        <source>Cannot start the %1 &quot;%2&quot;: %3.</source>
        <translation>Der %1 „%2“ kann nicht gestartet werden: %3.</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1
Fix the project file, then try again.</source>
        <translation>Der Footprint-Suchpfad kann nicht aus der Projektdatei gelesen werden:
%1
Korrigieren Sie die Projektdatei und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>keine Datei</translation>
    </message>
    <message>
        <source>too large (more than %1 bytes)</source>
        <translation>zu groß (mehr als %1 Bytes)</translation>
    </message>
    <message>
        <source>cannot open: %1</source>
        <translation>kann nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>cannot read: %1</source>
        <translation>kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>binary data (a NUL byte) in the file</source>
        <translation>Binärdaten (ein NUL-Byte) in der Datei</translation>
    </message>
    <message>
        <source>not UTF-8 text (save the file as UTF-8)</source>
        <translation>kein UTF-8-Text (speichern Sie die Datei als UTF-8)</translation>
    </message>
    <message>
        <source>carriage return inside a line (save the file with LF or CR LF line ends)</source>
        <translation>Wagenrücklauf innerhalb einer Zeile (speichern Sie die Datei mit LF- oder CR-LF-Zeilenenden)</translation>
    </message>
    <message>
        <source>malformed line (expected [program] or name = value)</source>
        <translation>fehlerhafte Zeile (erwartet: [Programm] oder Name = Wert)</translation>
    </message>
    <message>
        <source>a value without a name</source>
        <translation>ein Wert ohne Namen</translation>
    </message>
    <message>
        <source>the footprint search was given no way to read a project&apos;s search path</source>
        <translation>der Footprint-Suche wurde kein Weg gegeben, den Suchpfad eines Projekts zu lesen</translation>
    </message>
    <message>
        <source>(no project file)</source>
        <translation>(keine Projektdatei)</translation>
    </message>
    <message>
        <source>does not exist</source>
        <translation>existiert nicht</translation>
    </message>
    <message>
        <source>cannot be reached (%1)</source>
        <translation>ist nicht erreichbar (%1)</translation>
    </message>
    <message>
        <source>is not a folder</source>
        <translation>ist kein Ordner</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>cannot be searched, its files cannot be opened (%1)</source>
        <translation>kann nicht durchsucht werden, seine Dateien lassen sich nicht öffnen (%1)</translation>
    </message>
    <message>
        <source>names no folder: it expands to an empty text</source>
        <translation>nennt keinen Ordner: er wird zu einem leeren Text erweitert</translation>
    </message>
    <message>
        <source>; its value was used as stored: %1</source>
        <translation>; sein Wert wurde wie gespeichert verwendet: %1</translation>
    </message>
    <message>
        <source>the program&apos;s process could not be made</source>
        <translation>der Prozess des Programms konnte nicht erzeugt werden</translation>
    </message>
    <message>
        <source>cannot enter the folder %1: %2</source>
        <translation>der Ordner %1 kann nicht betreten werden: %2</translation>
    </message>
    <message>
        <source>the host&apos;s tool manager is gone</source>
        <translation>der Werkzeugverwalter des Hostprogramms besteht nicht mehr</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (process %2) runs but does not answer</source>
        <translation>„%1“ (Prozess %2) läuft, antwortet aber nicht</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (process %2) ended right after it started, before it answered</source>
        <translation>„%1“ (Prozess %2) endete gleich nach dem Start, bevor es antwortete</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was started %2 times and never answered</source>
        <translation>„%1“ wurde %2-mal gestartet und hat nie geantwortet</translation>
    </message>
    <message>
        <source>the program &quot;%1&quot; was not found</source>
        <translation>das Programm „%1“ wurde nicht gefunden</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be started: %2</source>
        <translation>„%1“ konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>exit status %1</source>
        <translation>Exit-Status %1</translation>
    </message>
    <message>
        <source>killed by signal %1 (%2)</source>
        <translation>durch Signal %1 beendet (%2)</translation>
    </message>
    <message>
        <source>killed by signal %1</source>
        <translation>durch Signal %1 beendet</translation>
    </message>
    <message>
        <source>wait status %1</source>
        <translation>Wait-Status %1</translation>
    </message>
    <message>
        <source>%1 messages already wait for the listener</source>
        <translation>%1 Nachrichten warten bereits auf den Empfänger</translation>
    </message>
    <message>
        <source>a message of %1 bytes is over the limit of %2</source>
        <translation>eine Nachricht von %1 Bytes überschreitet die Grenze von %2</translation>
    </message>
    <message>
        <source>nobody listens in session &quot;%1&quot;: %2</source>
        <translation>in der Sitzung „%1“ hört niemand zu: %2</translation>
    </message>
    <message>
        <source>the sender ended while the listener had not taken them</source>
        <translation>der Absender endete, bevor der Empfänger sie angenommen hatte</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1
Make sure the project file can be reached and read (a network share or a removable disk may have gone away), then try again.</source>
        <translation>Der Footprint-Suchpfad kann nicht aus der Projektdatei gelesen werden:
%1
Stellen Sie sicher, dass die Projektdatei erreichbar und lesbar ist (eine Netzwerkfreigabe oder ein Wechseldatenträger ist vielleicht nicht mehr verbunden), und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1</source>
        <translation>Der Footprint-Suchpfad kann nicht aus der Projektdatei gelesen werden:
%1</translation>
    </message>
    <message>
        <source>: it is a folder</source>
        <translation>: es ist ein Ordner</translation>
    </message>
    <message>
        <source>: it is a named pipe (FIFO)</source>
        <translation>: es ist eine benannte Pipe (FIFO)</translation>
    </message>
    <message>
        <source>: it is a device</source>
        <translation>: es ist ein Gerät</translation>
    </message>
    <message>
        <source>: it is a socket</source>
        <translation>: es ist ein Socket</translation>
    </message>
    <message>
        <source>UTF-16 text (save the file as UTF-8)</source>
        <translation>UTF-16-Text (speichern Sie die Datei als UTF-8)</translation>
    </message>
    <message>
        <source>the name of a folder on its path is not UTF-8 text, so the file cannot be named again (rename the folder to UTF-8)</source>
        <translation>der Name eines Ordners in seinem Pfad ist kein UTF-8-Text, daher kann die Datei nicht wieder benannt werden (benennen Sie den Ordner in UTF-8 um)</translation>
    </message>
    <message>
        <source>; &quot;~&quot; is taken as a folder name, not as the home folder: write ${HOME} instead, with expand_vars = 1</source>
        <translation>; „~“ gilt als Ordnername, nicht als Benutzerordner: schreiben Sie stattdessen ${HOME}, mit expand_vars = 1</translation>
    </message>
    <message>
        <source>; environment references were not expanded: the project file does not set expand_vars = 1</source>
        <translation>; Umgebungsverweise wurden nicht ersetzt: die Projektdatei setzt nicht expand_vars = 1</translation>
    </message>
    <message>
        <source>this indented line adds a value to the line above it; it does not set &quot;%1&quot; (take out the indent to set it)</source>
        <translation>diese eingerückte Zeile fügt der Zeile darüber einen Wert hinzu; sie setzt nicht „%1“ (entfernen Sie die Einrückung, um es zu setzen)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in the section [%2] is not read: the search path comes from the lines before the first section and from [Global]</source>
        <translation>„%1“ im Abschnitt [%2] wird nicht gelesen: der Suchpfad kommt aus den Zeilen vor dem ersten Abschnitt und aus [Global]</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <source>No .psm files found for the footprints</source>
        <translation>Keine .psm-Dateien für die Footprints gefunden</translation>
    </message>
    <message>
        <source>No property is selected: there is nothing to view.</source>
        <translation>Keine Eigenschaft ausgewählt: Es gibt nichts anzuzeigen.</translation>
    </message>
    <message>
        <source>View opens the footprints that JEDEC_TYPE and ALT_SYMBOLS name; select one of these rows.</source>
        <translation>Anzeigen öffnet die Footprints, die JEDEC_TYPE und ALT_SYMBOLS nennen; wählen Sie eine dieser Zeilen.</translation>
    </message>
    <message>
        <source>The value is empty: type a footprint name, or choose one with Browse.</source>
        <translation>Der Wert ist leer: Geben Sie einen Footprint-Namen ein oder wählen Sie einen mit Durchsuchen.</translation>
    </message>
    <message>
        <source>The value () names no symbol: type symbol names between the parentheses, or choose them with Browse.</source>
        <translation>Der Wert () nennt kein Symbol: Geben Sie Symbolnamen zwischen den Klammern ein oder wählen Sie sie mit Durchsuchen.</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CCellModel</name>
    <message numerus="yes">
        <source>%Ln characters in all</source>
        <translation>
            <numerusform>%Ln Zeichen insgesamt</numerusform>
            <numerusform>%Ln Zeichen insgesamt</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>physprops::ui::CDialogBase</name>
    <message>
        <source>Size grip</source>
        <translation>Größe ändern</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CFootprintListModel</name>
    <message>
        <source>Footprint</source>
        <translation>Footprint</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>Files that answer this name, letter case apart: %1</source>
        <translation>Dateien zu diesem Namen, abgesehen von Groß-/Kleinschreibung: %1</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CFootprintSelectDlg</name>
    <message>
        <source>No footprint matches “%1”</source>
        <translation>Kein Footprint passt zu „%1“</translation>
    </message>
    <message>
        <source>&amp;Details...</source>
        <translation>&amp;Einzelheiten...</translation>
    </message>
    <message>
        <source>Names the search folders that were skipped and why</source>
        <translation>Nennt die übersprungenen Suchordner und den Grund</translation>
    </message>
</context>
</TS>
