<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>PrintView</name>
    <message>
        <source>Pagetally Results</source>
        <translation>Pagetally-Ergebnisse</translation>
    </message>
    <message>
        <source>-</source>
        <extracomment>Printed where a file has no running time or no page count.</extracomment>
        <translation>-</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>Words</source>
        <translation>Wörter</translation>
    </message>
    <message>
        <source>Total:</source>
        <translation>Gesamt:</translation>
    </message>
    <message>
        <source>Duration: </source>
        <translation>Dauer: </translation>
    </message>
    <message>
        <source>Pages: </source>
        <translation>Seiten: </translation>
    </message>
    <message>
        <source>Words: </source>
        <translation>Wörter: </translation>
    </message>
</context>
<context>
    <name>pagetally::CommandLine</name>
    <message>
        <source>Usage: pagetally [FILE|FOLDER]...
Opens a window and counts the files given, as if they were dropped on it:
folders are searched for files, their names sorted.

  --help     show this text
  --version  show the version
  --         end of options
</source>
        <translation>Aufruf: pagetally [DATEI|ORDNER]...
Öffnet ein Fenster und zählt die angegebenen Dateien, als wären sie darauf gezogen worden:
Ordner werden nach Dateien durchsucht, ihre Namen sortiert.

  --help     diesen Text zeigen
  --version  die Version zeigen
  --         Ende der Optionen
</translation>
    </message>
    <message>
        <source>pagetally: unknown option %1
Try “pagetally --help” for more information.
</source>
        <translation>pagetally: unbekannte Option %1
„pagetally --help“ zeigt mehr.
</translation>
    </message>
</context>
<context>
    <name>pagetally::ContentView</name>
    <message>
        <source>Pagetally</source>
        <translation>Pagetally</translation>
    </message>
    <message>
        <source>Supported file types: %1</source>
        <extracomment>%1: the type names the caption lists, from the table of formats (&quot;DOCX, HTML, ...&quot;).</extracomment>
        <translation>Unterstützte Dateitypen: %1</translation>
    </message>
    <message>
        <source>When analyzing JSON files, only values are included in the word count; keys are excluded.</source>
        <translation>Bei JSON-Dateien zählen nur die Werte zur Wortzahl, die Schlüssel nicht.</translation>
    </message>
    <message>
        <source>For MP3, MP4, WAV files, the word count is estimated based on 150 words per minute.</source>
        <translation>Bei MP3-, MP4- und WAV-Dateien wird die Wortzahl mit 150 Wörtern pro Minute geschätzt.</translation>
    </message>
    <message>
        <source>Select Files</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Clear Files</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Print Results</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Exit App</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Select Files…</source>
        <translation>Dateien auswählen …</translation>
    </message>
    <message>
        <source>Print Results…</source>
        <translation>Ergebnisse drucken …</translation>
    </message>
    <message>
        <source>Add Folder...</source>
        <translation>Ordner hinzufügen …</translation>
    </message>
    <message>
        <source>Export Results...</source>
        <translation>Ergebnisse exportieren …</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
</context>
<context>
    <name>pagetally::ExportResults</name>
    <message>
        <source>CSV spreadsheet</source>
        <translation>CSV-Tabelle</translation>
    </message>
    <message>
        <source>JSON document</source>
        <translation>JSON-Dokument</translation>
    </message>
    <message>
        <source>Pagetally Results</source>
        <translation>Pagetally-Ergebnisse</translation>
    </message>
    <message>
        <source>Export Results</source>
        <translation>Ergebnisse exportieren</translation>
    </message>
    <message>
        <source>The results could not be saved as “%1”.</source>
        <translation>Die Ergebnisse konnten nicht als „%1“ gespeichert werden.</translation>
    </message>
</context>
<context>
    <name>pagetally::FilePicker</name>
    <message>
        <source>Documents and recordings</source>
        <translation>Dokumente und Aufnahmen</translation>
    </message>
    <message>
        <source>Select Files</source>
        <comment>file panel title</comment>
        <translation>Dateien auswählen</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <comment>folder panel title</comment>
        <translation>Ordner hinzufügen</translation>
    </message>
</context>
<context>
    <name>pagetally::Locations</name>
    <message>
        <source>“%1” is not a local file.</source>
        <translation>„%1“ ist keine lokale Datei.</translation>
    </message>
</context>
<context>
    <name>pagetally::MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>New Window</source>
        <translation>Neues Fenster</translation>
    </message>
    <message>
        <source>Close Window</source>
        <translation>Fenster schließen</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoomen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
</context>
<context>
    <name>pagetally::NoteText</name>
    <message>
        <source>%1; %2</source>
        <extracomment>Two parts of one note, the second said after the first.</extracomment>
        <translation>%1; %2</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <extracomment>Names of parts of a file, then how many more are left unnamed.</extracomment>
        <translation>
            <numerusform>%1 und %n weiterer</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <extracomment>The last two of a list of names.</extracomment>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>file not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>not readable: %1</source>
        <extracomment>%1 is the system&apos;s reason, as it gives it.</extracomment>
        <translation>nicht lesbar: %1</translation>
    </message>
    <message>
        <source>not read: out of memory</source>
        <translation>nicht gelesen: zu wenig Arbeitsspeicher</translation>
    </message>
    <message>
        <source>legacy DOC format is not read</source>
        <translation>das alte DOC-Format wird nicht gelesen</translation>
    </message>
    <message>
        <source>not valid UTF-8 text</source>
        <translation>kein gültiger UTF-8-Text</translation>
    </message>
    <message>
        <source>not valid UTF-8 text (UTF-16 byte-order mark)</source>
        <translation>kein gültiger UTF-8-Text (Byte-Order-Mark von UTF-16)</translation>
    </message>
    <message>
        <source>not valid UTF-8 text (UTF-32 byte-order mark)</source>
        <translation>kein gültiger UTF-8-Text (Byte-Order-Mark von UTF-32)</translation>
    </message>
    <message>
        <source>not valid JSON: %1</source>
        <extracomment>%1 is the JSON parser&apos;s reason, in English.</extracomment>
        <translation>kein gültiges JSON: %1</translation>
    </message>
    <message>
        <source>not valid JSON: %1 at offset %2</source>
        <extracomment>%1 is the JSON parser&apos;s reason, in English; %2 the byte offset.</extracomment>
        <translation>kein gültiges JSON: %1 an Position %2</translation>
    </message>
    <message>
        <source>cannot be opened as a PDF</source>
        <translation>lässt sich nicht als PDF öffnen</translation>
    </message>
    <message>
        <source>locked by a password: pages shown, text not read</source>
        <translation>durch ein Passwort gesperrt: Seiten angezeigt, Text nicht gelesen</translation>
    </message>
    <message>
        <source>locked by a password: pages and text not read</source>
        <translation>durch ein Passwort gesperrt: Seiten und Text nicht gelesen</translation>
    </message>
    <message>
        <source>text not read: the time limit was reached</source>
        <translation>Text nicht gelesen: das Zeitlimit wurde erreicht</translation>
    </message>
    <message>
        <source>cannot be opened as a PDF: the time limit was reached</source>
        <translation>lässt sich nicht als PDF öffnen: das Zeitlimit wurde erreicht</translation>
    </message>
    <message>
        <source>text not read: the memory limit was reached</source>
        <translation>Text nicht gelesen: das Speicherlimit wurde erreicht</translation>
    </message>
    <message>
        <source>cannot be opened as a PDF: the memory limit was reached</source>
        <translation>lässt sich nicht als PDF öffnen: das Speicherlimit wurde erreicht</translation>
    </message>
    <message>
        <source>text not read: the PDF library failed</source>
        <translation>Text nicht gelesen: die PDF-Bibliothek hat versagt</translation>
    </message>
    <message>
        <source>cannot be opened as a PDF: the PDF library failed</source>
        <translation>lässt sich nicht als PDF öffnen: die PDF-Bibliothek hat versagt</translation>
    </message>
    <message>
        <source>not read: the PDF helper program cannot be started</source>
        <translation>nicht gelesen: das PDF-Hilfsprogramm lässt sich nicht starten</translation>
    </message>
    <message>
        <source>no pages found: the file may be damaged or cut short</source>
        <translation>keine Seiten gefunden: die Datei ist vielleicht beschädigt oder unvollständig</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n pages missing: the file may be damaged or cut short</source>
        <extracomment>%1 pages of the %n the document states.</extracomment>
        <translation>
            <numerusform>%1 von %n Seite nicht vorhanden: die Datei ist vielleicht beschädigt oder unvollständig</numerusform>
            <numerusform>%1 von %n Seiten nicht vorhanden: die Datei ist vielleicht beschädigt oder unvollständig</numerusform>
        </translation>
    </message>
    <message>
        <source>no text on %1 of 1 page</source>
        <extracomment>%1 pages of the document&apos;s %n.</extracomment>
        <translation>kein Text auf %1 von 1 Seite</translation>
    </message>
    <message numerus="yes">
        <source>no text on %1 of %n pages</source>
        <translation>
            <numerusform>kein Text auf %1 von %n Seite</numerusform>
            <numerusform>kein Text auf %1 von %n Seiten</numerusform>
        </translation>
    </message>
    <message>
        <source>header states %1, but the data holds %2</source>
        <extracomment>Two durations, as &quot;12m 5s&quot;.</extracomment>
        <translation>laut Dateikopf %1, die Daten enthalten aber %2</translation>
    </message>
    <message>
        <source>header states %1, but %2 holds at most %3 at %4 kbit/s</source>
        <extracomment>%1 and %3 are durations, as &quot;12m 5s&quot;; %2 the file&apos;s size, as &quot;37 KiB&quot;; %4 a bit rate.</extracomment>
        <translation>laut Dateikopf %1, aber %2 fassen bei %4 kbit/s höchstens %3</translation>
    </message>
    <message>
        <source>no readable duration</source>
        <translation>keine lesbare Dauer</translation>
    </message>
    <message>
        <source>no readable duration: the time limit was reached</source>
        <translation>keine lesbare Dauer: das Zeitlimit wurde erreicht</translation>
    </message>
    <message>
        <source>Error processing %1 file: %2</source>
        <extracomment>%1 is DOCX or PPTX; %2 the error, in English, as the diagnostics give it.</extracomment>
        <translation>Fehler beim Verarbeiten der %1-Datei: %2</translation>
    </message>
    <message>
        <source>the document&apos;s text cannot be read</source>
        <translation>der Text des Dokuments lässt sich nicht lesen</translation>
    </message>
    <message>
        <source>page count not stored by the authoring program (1 shown)</source>
        <translation>Seitenzahl vom erstellenden Programm nicht gespeichert (1 angezeigt)</translation>
    </message>
    <message>
        <source>%1, but every part that is counted was read whole</source>
        <extracomment>%1 is unzip&apos;s complaint, in English.</extracomment>
        <translation>%1, doch jeder gezählte Teil wurde vollständig gelesen</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n slides read: %2 could not be unpacked</source>
        <extracomment>%1 slides of the %n listed; %2 the names of those that could not be unpacked.</extracomment>
        <translation>
            <numerusform>%1 von %n Folie gelesen, nicht entpackt: %2</numerusform>
            <numerusform>%1 von %n Folien gelesen, nicht entpackt: %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n speaker notes read: %2 could not be unpacked</source>
        <extracomment>%1 speaker notes of the %n listed; %2 the names of those that could not be unpacked.</extracomment>
        <translation>
            <numerusform>%1 von %n Sprechernotiz gelesen, nicht entpackt: %2</numerusform>
            <numerusform>%1 von %n Sprechernotizen gelesen, nicht entpackt: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>%1, but every slide and speaker note was read whole</source>
        <extracomment>%1 is unzip&apos;s complaint, in English.</extracomment>
        <translation>%1, doch jede Folie und jede Sprechernotiz wurde vollständig gelesen</translation>
    </message>
    <message>
        <source>could not be decompressed</source>
        <translation>ließ sich nicht entpacken</translation>
    </message>
    <message>
        <source>is not well-formed XML</source>
        <translation>ist kein wohlgeformtes XML</translation>
    </message>
    <message>
        <source>inflates to more than 512 MiB</source>
        <translation>wird entpackt größer als 512 MiB</translation>
    </message>
    <message>
        <source>footnotes not read: %1 %2</source>
        <extracomment>%1 is the part&apos;s name in the document&apos;s package, %2 why it was not read.</extracomment>
        <translation>Fußnoten nicht gelesen: %1 %2</translation>
    </message>
    <message>
        <source>endnotes not read: %1 %2</source>
        <extracomment>%1 is the part&apos;s name in the document&apos;s package, %2 why it was not read.</extracomment>
        <translation>Endnoten nicht gelesen: %1 %2</translation>
    </message>
    <message>
        <source>footnotes and endnotes not read: %1 %2</source>
        <extracomment>%1 is the part&apos;s name in the document&apos;s package, %2 why it was not read.</extracomment>
        <translation>Fuß- und Endnoten nicht gelesen: %1 %2</translation>
    </message>
</context>
<context>
    <name>pagetally::NotesSummary</name>
    <message>
        <source>%1: %2</source>
        <extracomment>A file&apos;s name and why its values are not plain measurements.</extracomment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 in %2: a file of that name is already listed</source>
        <translation>%1 in %2: Eine Datei dieses Namens ist schon in der Liste</translation>
    </message>
    <message>
        <source>1 file could not be read</source>
        <translation>1 Datei konnte nicht gelesen werden</translation>
    </message>
    <message numerus="yes">
        <source>%n files could not be read</source>
        <translation>
            <numerusform>%n Datei konnte nicht gelesen werden</numerusform>
            <numerusform>%n Dateien konnten nicht gelesen werden</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file has a note</source>
        <translation>1 Datei hat einen Hinweis</translation>
    </message>
    <message numerus="yes">
        <source>%n files have a note</source>
        <translation>
            <numerusform>%n Datei hat einen Hinweis</numerusform>
            <numerusform>%n Dateien haben einen Hinweis</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file skipped: a file of that name is already listed</source>
        <translation>1 Datei übersprungen: Eine Datei dieses Namens ist schon in der Liste</translation>
    </message>
    <message numerus="yes">
        <source>%n files skipped: a file of that name is already listed</source>
        <translation>
            <numerusform>%n Datei übersprungen: Eine Datei dieses Namens ist schon in der Liste</numerusform>
            <numerusform>%n Dateien übersprungen: Eine Datei dieses Namens ist schon in der Liste</numerusform>
        </translation>
    </message>
    <message>
        <source>1 folder could not be read</source>
        <translation>1 Ordner konnte nicht gelesen werden</translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be read</source>
        <translation>
            <numerusform>%n Ordner konnte nicht gelesen werden</numerusform>
            <numerusform>%n Ordner konnten nicht gelesen werden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>… and %n more</source>
        <translation>
            <numerusform>… und %n weitere</numerusform>
            <numerusform>… und %n weitere</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>pagetally::PagetallyApp</name>
    <message>
        <source>Counts the pages, words and minutes of documents and recordings</source>
        <translation>Zählt die Seiten, Wörter und Minuten von Dokumenten und Aufnahmen</translation>
    </message>
    <message>
        <source>Pagetally</source>
        <translation>Pagetally</translation>
    </message>
    <message>
        <source>About Pagetally</source>
        <translation>Über Pagetally</translation>
    </message>
    <message>
        <source>Quit Pagetally</source>
        <translation>Pagetally beenden</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>MIT License</source>
        <translation>MIT-Lizenz</translation>
    </message>
    <message>
        <source>Add files and folders from the File menu, by dropping them on the window or with “pagetally FILE...”; export the results as CSV or JSON, or copy them as a table.</source>
        <translation>Dateien und Ordner über das Menü „Datei“ hinzufügen, auf das Fenster ziehen oder mit „pagetally DATEI...“ öffnen; die Ergebnisse als CSV oder JSON exportieren oder als Tabelle kopieren.</translation>
    </message>
</context>
<context>
    <name>pagetally::PrintJob</name>
    <message>
        <source>Printing…</source>
        <translation>Wird gedruckt …</translation>
    </message>
    <message>
        <source>Print Results</source>
        <translation>Ergebnisse drucken</translation>
    </message>
</context>
<context>
    <name>pagetally::ProgressPanel</name>
    <message>
        <source>Files measured</source>
        <extracomment>What the progress bar of a batch counts, for screen readers.</extracomment>
        <translation>Gemessene Dateien</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
</context>
<context>
    <name>pagetally::ResultsModel</name>
    <message>
        <source>Remove from the list</source>
        <translation>Aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
    <message>
        <source>-</source>
        <extracomment>Shown where a file has no running time or no page count.</extracomment>
        <translation>-</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>Dateityp</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>Words</source>
        <translation>Wörter</translation>
    </message>
    <message>
        <source>%1
%2</source>
        <extracomment>A file&apos;s name, then on its own line why its values are not plain measurements.</extracomment>
        <translation>%1
%2</translation>
    </message>
</context>
<context>
    <name>pagetally::ResultsTable</name>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>Press Delete to remove the current file from the list.</source>
        <translation>Entf entfernt die aktuelle Datei aus der Liste.</translation>
    </message>
</context>
<context>
    <name>pagetally::TotalsLine</name>
    <message>
        <source>Total:</source>
        <translation>Gesamt:</translation>
    </message>
    <message>
        <source>Duration: </source>
        <translation>Dauer: </translation>
    </message>
    <message>
        <source>Pages: </source>
        <translation>Seiten: </translation>
    </message>
    <message>
        <source>Words: </source>
        <translation>Wörter: </translation>
    </message>
</context>
</TS>
