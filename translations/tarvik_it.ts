<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="de">
<context>
    <name>Batch</name>
    <message>
        <source>Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in Teilen prüfen.</source>
        <translation>Lo standard input supera 64 MiB o non è leggibile; verificare le tessere in più lotti.</translation>
    </message>
</context>
<context>
    <name>BatchWindow</name>
    <message>
        <source>%1 von %2 Karten geprüft</source>
        <translation>Tessere verificate: %1 di %2</translation>
    </message>
    <message>
        <source>Meldung</source>
        <translation>Messaggio</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Aufruf: tarvik &lt;Kartennummer&gt; | --json &lt;Kartennummer&gt; | --batch [--jobs N]   (tarvik --help zeigt mehr)
</source>
        <translation>Uso: tarvik &lt;numero tessera&gt; | --json &lt;numero tessera&gt; | --batch [--jobs N]   (tarvik --help per saperne di più)
</translation>
    </message>
    <message>
        <source>Aufruf: tarvik &lt;Kartennummer&gt;
        tarvik --json &lt;Kartennummer&gt;
        tarvik --batch [--jobs N]  &lt; Kartennummern
        tarvik [--json] --reader
        tarvik --read-card
        tarvik --watch [--chip-only]
        tarvik -h | --help | --version

Sucht die versicherte Person zur Nummer einer Schweizer Versichertenkarte.

&lt;Kartennummer&gt;  20 Ziffern, beginnend mit 80756. Leerzeichen davor und danach,
                alles vor &quot;80756&quot; und alles nach der 20. Stelle werden ignoriert.
                Weitere Argumente werden ignoriert.

Die Anfrage geht über den HIN Client (HTTP-Proxy auf 127.0.0.1:5016), der laufen
und angemeldet sein muss. Während der Anfrage erscheint ein Wartefenster.

Gefunden: zwölf Zeilen auf der Standardausgabe, je &quot;&lt;Feld&gt;&lt;TAB&gt; \&quot;&lt;Wert&gt;\&quot; &quot;
und danach eine Zeile mit einem einzelnen Leerzeichen, in dieser Reihenfolge:
  Ofac ID, Versicherer Name, Client Name, Client Vorname, Client Geburtsdatum,
  Client Strasse, Client PLZ, Client Ort, Client Staat, Client Vers.Nr,
  Client Geschlecht, Client AHV
Fehler: ein Meldungsfenster, das sich selbst schliesst; keine Datenzeilen.

Die ganze Anfrage hat 30 Sekunden Zeit; danach gilt sie als abgebrochen
(&quot;Operation canceled&quot;). Ein Lauf endet spätestens nach 90 Sekunden, mit dem
Kartenleser nach 150. Nach einer abgebrochenen Verbindung wird dieselbe Anfrage
bis zu dreimal wiederholt.

Exit-Status: 0, wenn der Lauf von selbst endet (auch nach einem Fehler);
1, wenn die Antwort nicht auf die Standardausgabe geschrieben werden kann
(geschlossen, voll, Leser beendet); 2 ohne Kartennummer.
Erfolg erkennt man an den Datenzeilen.

--json      Dieselbe Suche, dieselben Meldungen; die Standardausgabe ist eine Zeile
            JSON mit &quot;card&quot;, &quot;outcome&quot; und &quot;record&quot; oder &quot;message&quot;.
            Exit-Status: 0 gefunden, 1 unbekannt, 2 Aufruf falsch,
            3 Nummer falsch, 4 fehlgeschlagen.
--batch     Kartennummern von der Standardeingabe, eine pro Zeile; je Zeile ein
            JSON-Objekt mit &quot;line&quot;, in der Reihenfolge der Eingabe. Ein Fenster zeigt
            den Fortschritt; Escape bricht ab. Exit-Status: 0, wenn jede Karte
            gefunden, unbekannt oder falsch war; 4 sonst; 2 Aufruf falsch.
--jobs N    Höchstens N Anfragen zugleich (1 bis 6, Vorgabe 4): der Dienst wird
            von allen geteilt.
--reader    Liest die Kartennummer vom Chip der Versichertenkarte im Kartenleser
            (PC/SC) und sucht dann wie mit der Nummer. Ein Fenster bittet um die
            Karte; es wartet höchstens 60 Sekunden, Escape bricht ab. Mit --json
            enthält die Antwort auch &quot;chip&quot;, die Daten des Chips.
--read-card Liest nur den Chip, ohne Anfrage: eine Zeile JSON, &quot;outcome&quot; &quot;read&quot;
            mit &quot;chip&quot; oder &quot;failed&quot;. Exit-Status: 0 gelesen, 4 sonst.
--watch     Bleibt laufen und schreibt zu jedem Ereignis an den Kartenlesern
            sofort eine Zeile JSON: &quot;ready&quot;, &quot;card&quot; (jede gesteckte Karte, wie
            --json --reader sie beantwortet), &quot;removed&quot;, &quot;reader&quot;, &quot;service&quot;.
            Ohne Fenster. Endet mit Exit-Status 0, sobald die Standardeingabe
            (Pipe oder Socket) geschlossen wird oder SIGTERM, SIGINT oder SIGHUP
            kommt; 4, wenn die Standardausgabe nicht mehr gelesen wird.
--chip-only Mit --watch: nur der Chip, ohne Anfrage (wie --read-card).
</source>
        <translation>Uso: tarvik &lt;numero tessera&gt;
     tarvik --json &lt;numero tessera&gt;
     tarvik --batch [--jobs N]  &lt; numeri di tessera
     tarvik [--json] --reader
     tarvik --read-card
     tarvik --watch [--chip-only]
     tarvik -h | --help | --version

Cerca la persona assicurata in base al numero di una tessera d'assicurato
svizzera.

&lt;numero tessera&gt;  20 cifre che iniziano con 80756. Gli spazi prima e dopo,
                  tutto ciò che precede &quot;80756&quot; e tutto ciò che segue la
                  ventesima posizione vengono ignorati, come pure altri
                  argomenti.

La richiesta passa dall'HIN Client (proxy HTTP su 127.0.0.1:5016), che deve
essere avviato e con l'accesso effettuato. Durante la richiesta appare una
finestra d'attesa.

Trovato: sullo standard output dodici righe &quot;&lt;campo&gt;&lt;TAB&gt; \&quot;&lt;valore&gt;\&quot; &quot;,
ognuna seguita da una riga con un solo spazio, in quest'ordine:
  Ofac ID, Versicherer Name, Client Name, Client Vorname, Client Geburtsdatum,
  Client Strasse, Client PLZ, Client Ort, Client Staat, Client Vers.Nr,
  Client Geschlecht, Client AHV
Errore: una finestra di messaggio che si chiude da sola; nessuna riga di dati.

L'intera richiesta ha 30 secondi di tempo; poi è considerata interrotta
(&quot;Operation canceled&quot;). Un'esecuzione termina al più tardi dopo 90 secondi,
con il lettore di tessere dopo 150.
Dopo una connessione interrotta, la stessa richiesta viene ripetuta fino a
tre volte.

Codice di uscita: 0 se l'esecuzione termina da sé (anche dopo un errore);
1 se la risposta non può essere scritta sullo standard output (chiuso, pieno,
lettore terminato); 2 senza numero di tessera.
Il successo si riconosce dalle righe di dati.

--json      Stessa ricerca, stessi messaggi; lo standard output è una riga
            JSON con &quot;card&quot;, &quot;outcome&quot; e &quot;record&quot; o &quot;message&quot;.
            Codice di uscita: 0 trovato, 1 sconosciuto, 2 chiamata errata,
            3 numero errato, 4 fallito.
--batch     Numeri di tessera dallo standard input, uno per riga; per ogni
            riga un oggetto JSON con &quot;line&quot;, nell'ordine dell'input. Una
            finestra mostra l'avanzamento; Esc interrompe. Codice di uscita:
            0 se ogni tessera è stata trovata, sconosciuta o errata;
            4 altrimenti; 2 chiamata errata.
--jobs N    Al massimo N richieste alla volta (da 1 a 6, predefinito 4): il
            servizio è condiviso da tutti.
--reader    Legge il numero di tessera dal chip della tessera d'assicurato nel
            lettore di tessere (PC/SC), poi cerca come con il numero. Una
            finestra chiede la tessera; attende al massimo 60 secondi, Esc
            interrompe. Con --json la risposta contiene anche &quot;chip&quot;, i dati
            del chip.
--read-card Legge solo il chip, senza richiesta: una riga JSON, &quot;outcome&quot;
            &quot;read&quot; con &quot;chip&quot; o &quot;failed&quot;. Codice di uscita: 0 letta, 4 altrimenti.
--watch     Resta attivo e scrive subito una riga JSON per ogni evento ai
            lettori di tessere: &quot;ready&quot;, &quot;card&quot; (ogni tessera inserita, con la
            risposta di --json --reader), &quot;removed&quot;, &quot;reader&quot;, &quot;service&quot;.
            Senza finestre. Termina con codice 0 appena lo standard input
            (pipe o socket) viene chiuso o arriva SIGTERM, SIGINT o SIGHUP;
            4 se lo standard output non viene più letto.
--chip-only Con --watch: solo il chip, senza richiesta (come --read-card).
</translation>
    </message>
    <message>
        <source>Nach --jobs fehlt die Zahl.</source>
        <translation>Manca il numero dopo --jobs.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument &quot;%1&quot;; --batch liest die Kartennummern von der Standardeingabe.</source>
        <translation>Argomento inatteso &quot;%1&quot;; --batch legge i numeri di tessera dallo standard input.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument &quot;%1&quot;; --watch kennt nur --chip-only.</source>
        <translation>Argomento inatteso &quot;%1&quot;; --watch conosce solo --chip-only.</translation>
    </message>
    <message>
        <source>--jobs verlangt eine Zahl von 1 bis %1, nicht &quot;%2&quot;.</source>
        <translation>--jobs richiede un numero da 1 a %1, non &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>--jobs gilt nur zusammen mit --batch.</source>
        <translation>--jobs vale solo insieme a --batch.</translation>
    </message>
    <message>
        <source>%1 gilt nicht zusammen mit %2.</source>
        <translation>%1 non vale insieme a %2.</translation>
    </message>
    <message>
        <source>Nach --json fehlt die Kartennummer.</source>
        <translation>Manca il numero di tessera dopo --json.</translation>
    </message>
</context>
<context>
    <name>Orvel::Message</name>
    <message>
        <source>Meldung</source>
        <translation>Messaggio</translation>
    </message>
</context>
<context>
    <name>Output</name>
    <message>
        <source>Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.</source>
        <translation>Impossibile scrivere la risposta sullo standard output.</translation>
    </message>
</context>
<context>
    <name>ReportTexts</name>
    <message>
        <source>Die Daten werden tranferiert.</source>
        <translation>I dati vengono trasferiti.</translation>
    </message>
    <message>
        <source>Bitte warten ...</source>
        <translation>Attendere, prego...</translation>
    </message>
    <message>
        <source>FEHLER: </source>
        <translation>ERRORE: </translation>
    </message>
    <message>
        <source>Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.</source>
        <translation>Il numero contiene caratteri non validi. Sono ammesse solo cifre.</translation>
    </message>
    <message>
        <source>Die Nummer beginnt nicht mit 80756.</source>
        <translation>Il numero non inizia con 80756.</translation>
    </message>
    <message>
        <source>Die Nummer enthält nicht 20 Zeichen.</source>
        <translation>Il numero non è composto da 20 caratteri.</translation>
    </message>
    <message>
        <source>Versicherter unbekannt.</source>
        <translation>Persona assicurata sconosciuta.</translation>
    </message>
    <message>
        <source>Anwendungsproblem. Ev. Lesefehler.</source>
        <translation>Problema dell'applicazione. Eventuale errore di lettura.</translation>
    </message>
    <message>
        <source>Server meldet: nicht gefunden. URL falsch?</source>
        <translation>Il server segnala: non trovato. URL errato?</translation>
    </message>
    <message>
        <source>Unbekannte Antwort vom Server.</source>
        <translation>Risposta del server non riconosciuta.</translation>
    </message>
    <message>
        <source>Ist der HIN Client gestartet ?</source>
        <translation>L'HIN Client è avviato?</translation>
    </message>
    <message>
        <source>Sind Sie angemeldet bei HIN ?</source>
        <translation>Ha effettuato l'accesso a HIN?</translation>
    </message>
    <message>
        <source>Antwort des Servers zu gross.</source>
        <translation>Risposta del server troppo grande.</translation>
    </message>
    <message>
        <source>Abgebrochen, bevor die Antwort da war.</source>
        <translation>Interrotto prima dell'arrivo della risposta.</translation>
    </message>
    <message>
        <source>Bitte die Versichertenkarte in den Kartenleser stecken.</source>
        <translation>Inserire la tessera d'assicurato nel lettore di tessere.</translation>
    </message>
    <message>
        <source>Diese Karte ist keine Schweizer Versichertenkarte. Bitte die Versichertenkarte in den Kartenleser stecken.</source>
        <translation>Questa tessera non è una tessera d'assicurato svizzera. Inserire la tessera d'assicurato nel lettore di tessere.</translation>
    </message>
    <message>
        <source>Der Kartenleser-Dienst (PC/SC) läuft nicht. Die Karte kann nicht gelesen werden.</source>
        <translation>Il servizio del lettore di tessere (PC/SC) non è avviato. La tessera non può essere letta.</translation>
    </message>
    <message>
        <source>Kein Kartenleser gefunden. Ist der Kartenleser angeschlossen?</source>
        <translation>Nessun lettore di tessere trovato. Il lettore di tessere è collegato?</translation>
    </message>
    <message>
        <source>Es wurde keine Karte gesteckt. Die Wartezeit ist abgelaufen.</source>
        <translation>Non è stata inserita alcuna tessera. Il tempo di attesa è scaduto.</translation>
    </message>
    <message>
        <source>Die Karte ist keine Schweizer Versichertenkarte.</source>
        <translation>La tessera non è una tessera d'assicurato svizzera.</translation>
    </message>
    <message>
        <source>Die Karte kann nicht gelesen werden. Ist sie richtig herum gesteckt? Bitte die Karte stecken lassen, bis sie gelesen ist.</source>
        <translation>La tessera non può essere letta. È inserita nel verso giusto? Lasciare inserita la tessera finché non è stata letta.</translation>
    </message>
    <message>
        <source>Die Karte wird von einem anderen Programm verwendet. Bitte das andere Programm schliessen und die Karte erneut lesen.</source>
        <translation>La tessera è usata da un altro programma. Chiudere l'altro programma e rileggere la tessera.</translation>
    </message>
    <message>
        <source>Die Daten auf der Karte sind fehlerhaft. Bitte die Kartennummer von Hand eingeben.</source>
        <translation>I dati sulla tessera sono errati. Inserire a mano il numero di tessera.</translation>
    </message>
    <message>
        <source>Das Lesen der Karte wurde abgebrochen.</source>
        <translation>La lettura della tessera è stata interrotta.</translation>
    </message>
</context>
<context>
    <name>Watchdog</name>
    <message>
        <source>Abbruch: Der Lauf hat das Zeitlimit überschritten.</source>
        <translation>Interruzione: l'esecuzione ha superato il limite di tempo.</translation>
    </message>
    <message>
        <source>Abbruch: Der Lauf hat die Speichergrenze überschritten.</source>
        <translation>Interruzione: l'esecuzione ha superato il limite di memoria.</translation>
    </message>
</context>
</TS>
