<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="de">
<context>
    <name>Batch</name>
    <message>
        <source>Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in Teilen prüfen.</source>
        <translation>L'entrée standard dépasse 64 MiB ou n'est pas lisible ; veuillez vérifier les cartes en plusieurs lots.</translation>
    </message>
</context>
<context>
    <name>BatchWindow</name>
    <message>
        <source>%1 von %2 Karten geprüft</source>
        <translation>Cartes vérifiées : %1 sur %2</translation>
    </message>
    <message>
        <source>Meldung</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Aufruf: tarvik &lt;Kartennummer&gt; | --json &lt;Kartennummer&gt; | --batch [--jobs N]   (tarvik --help zeigt mehr)
</source>
        <translation>Utilisation : tarvik &lt;numéro de carte&gt; | --json &lt;numéro de carte&gt; | --batch [--jobs N]   (tarvik --help en dit plus)
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
        <translation>Utilisation : tarvik &lt;numéro de carte&gt;
              tarvik --json &lt;numéro de carte&gt;
              tarvik --batch [--jobs N]  &lt; numéros de carte
              tarvik [--json] --reader
              tarvik --read-card
              tarvik --watch [--chip-only]
              tarvik -h | --help | --version

Recherche la personne assurée d'après le numéro d'une carte d'assuré suisse.

&lt;numéro de carte&gt;  20 chiffres, commençant par 80756. Les espaces avant et
                   après, tout ce qui précède &quot;80756&quot; et tout ce qui suit le
                   20e caractère sont ignorés. Les autres arguments aussi.

La requête passe par le HIN Client (proxy HTTP sur 127.0.0.1:5016), qui doit
être démarré et connecté. Une fenêtre d'attente s'affiche pendant la requête.

Trouvé : sur la sortie standard, douze lignes &quot;&lt;champ&gt;&lt;TAB&gt; \&quot;&lt;valeur&gt;\&quot; &quot;,
chacune suivie d'une ligne contenant une seule espace, dans cet ordre :
  Ofac ID, Versicherer Name, Client Name, Client Vorname, Client Geburtsdatum,
  Client Strasse, Client PLZ, Client Ort, Client Staat, Client Vers.Nr,
  Client Geschlecht, Client AHV
Erreur : une fenêtre de message qui se ferme d'elle-même ; pas de données.

La requête entière dispose de 30 secondes ; elle est ensuite considérée comme
interrompue (&quot;Operation canceled&quot;). Une exécution se termine au plus tard après
90 secondes, avec le lecteur de cartes après 150. Après une connexion
interrompue, la même requête est répétée jusqu'à trois fois.

Code de sortie : 0 si l'exécution se termine d'elle-même (même après une
erreur) ; 1 si la réponse ne peut pas être écrite sur la sortie standard
(fermée, pleine, lecteur parti) ; 2 sans numéro de carte.
Le succès se reconnaît aux lignes de données.

--json      Même recherche, mêmes messages ; la sortie standard est une ligne
            JSON avec &quot;card&quot;, &quot;outcome&quot; et &quot;record&quot; ou &quot;message&quot;.
            Code de sortie : 0 trouvé, 1 inconnu, 2 appel erroné,
            3 numéro erroné, 4 échec.
--batch     Numéros de carte lus sur l'entrée standard, un par ligne ; pour
            chaque ligne un objet JSON avec &quot;line&quot;, dans l'ordre de l'entrée.
            Une fenêtre affiche la progression ; Échap interrompt. Code de
            sortie : 0 si chaque carte a été trouvée, inconnue ou erronée ;
            4 sinon ; 2 appel erroné.
--jobs N    Au plus N requêtes à la fois (de 1 à 6, 4 par défaut) : le service
            est partagé par tous.
--reader    Lit le numéro de carte sur la puce de la carte d'assuré dans le
            lecteur de cartes (PC/SC), puis recherche comme avec le numéro. Une
            fenêtre demande la carte ; elle attend au plus 60 secondes, Échap
            interrompt. Avec --json, la réponse contient aussi &quot;chip&quot;, les
            données de la puce.
--read-card Lit seulement la puce, sans requête : une ligne JSON, &quot;outcome&quot;
            &quot;read&quot; avec &quot;chip&quot; ou &quot;failed&quot;. Code de sortie : 0 lue, 4 sinon.
--watch     Reste actif et écrit aussitôt une ligne JSON pour chaque événement
            aux lecteurs de cartes : &quot;ready&quot;, &quot;card&quot; (chaque carte insérée,
            avec la réponse de --json --reader), &quot;removed&quot;, &quot;reader&quot;,
            &quot;service&quot;. Sans fenêtre. Se termine avec le code 0 dès que
            l'entrée standard (pipe ou socket) est fermée ou que SIGTERM,
            SIGINT ou SIGHUP arrive ; 4 si la sortie standard n'est plus lue.
--chip-only Avec --watch : seulement la puce, sans requête (comme --read-card).
</translation>
    </message>
    <message>
        <source>Nach --jobs fehlt die Zahl.</source>
        <translation>Il manque le nombre après --jobs.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument &quot;%1&quot;; --batch liest die Kartennummern von der Standardeingabe.</source>
        <translation>Argument inattendu &quot;%1&quot; ; --batch lit les numéros de carte sur l'entrée standard.</translation>
    </message>
    <message>
        <source>Unerwartetes Argument &quot;%1&quot;; --watch kennt nur --chip-only.</source>
        <translation>Argument inattendu &quot;%1&quot; ; --watch ne connaît que --chip-only.</translation>
    </message>
    <message>
        <source>--jobs verlangt eine Zahl von 1 bis %1, nicht &quot;%2&quot;.</source>
        <translation>--jobs demande un nombre de 1 à %1, et non &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>--jobs gilt nur zusammen mit --batch.</source>
        <translation>--jobs ne s'utilise qu'avec --batch.</translation>
    </message>
    <message>
        <source>%1 gilt nicht zusammen mit %2.</source>
        <translation>%1 ne s'utilise pas avec %2.</translation>
    </message>
    <message>
        <source>Nach --json fehlt die Kartennummer.</source>
        <translation>Il manque le numéro de carte après --json.</translation>
    </message>
</context>
<context>
    <name>Orvel::Message</name>
    <message>
        <source>Meldung</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>Output</name>
    <message>
        <source>Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.</source>
        <translation>La réponse n'a pas pu être écrite sur la sortie standard.</translation>
    </message>
</context>
<context>
    <name>ReportTexts</name>
    <message>
        <source>Die Daten werden tranferiert.</source>
        <translation>Les données sont en cours de transfert.</translation>
    </message>
    <message>
        <source>Bitte warten ...</source>
        <translation>Veuillez patienter...</translation>
    </message>
    <message>
        <source>FEHLER: </source>
        <translation>ERREUR : </translation>
    </message>
    <message>
        <source>Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.</source>
        <translation>Le numéro contient des caractères non valables. Seuls des chiffres sont admis.</translation>
    </message>
    <message>
        <source>Die Nummer beginnt nicht mit 80756.</source>
        <translation>Le numéro ne commence pas par 80756.</translation>
    </message>
    <message>
        <source>Die Nummer enthält nicht 20 Zeichen.</source>
        <translation>Le numéro ne compte pas 20 caractères.</translation>
    </message>
    <message>
        <source>Versicherter unbekannt.</source>
        <translation>Personne assurée inconnue.</translation>
    </message>
    <message>
        <source>Anwendungsproblem. Ev. Lesefehler.</source>
        <translation>Problème d'application. Év. erreur de lecture.</translation>
    </message>
    <message>
        <source>Server meldet: nicht gefunden. URL falsch?</source>
        <translation>Le serveur signale : introuvable. URL erronée ?</translation>
    </message>
    <message>
        <source>Unbekannte Antwort vom Server.</source>
        <translation>Réponse du serveur non reconnue.</translation>
    </message>
    <message>
        <source>Ist der HIN Client gestartet ?</source>
        <translation>Le HIN Client est-il démarré ?</translation>
    </message>
    <message>
        <source>Sind Sie angemeldet bei HIN ?</source>
        <translation>Êtes-vous connecté à HIN ?</translation>
    </message>
    <message>
        <source>Antwort des Servers zu gross.</source>
        <translation>Réponse du serveur trop volumineuse.</translation>
    </message>
    <message>
        <source>Abgebrochen, bevor die Antwort da war.</source>
        <translation>Interrompu avant l'arrivée de la réponse.</translation>
    </message>
    <message>
        <source>Bitte die Versichertenkarte in den Kartenleser stecken.</source>
        <translation>Veuillez insérer la carte d'assuré dans le lecteur de cartes.</translation>
    </message>
    <message>
        <source>Diese Karte ist keine Schweizer Versichertenkarte. Bitte die Versichertenkarte in den Kartenleser stecken.</source>
        <translation>Cette carte n'est pas une carte d'assuré suisse. Veuillez insérer la carte d'assuré dans le lecteur de cartes.</translation>
    </message>
    <message>
        <source>Der Kartenleser-Dienst (PC/SC) läuft nicht. Die Karte kann nicht gelesen werden.</source>
        <translation>Le service du lecteur de cartes (PC/SC) n'est pas démarré. La carte ne peut pas être lue.</translation>
    </message>
    <message>
        <source>Kein Kartenleser gefunden. Ist der Kartenleser angeschlossen?</source>
        <translation>Aucun lecteur de cartes trouvé. Le lecteur de cartes est-il branché ?</translation>
    </message>
    <message>
        <source>Es wurde keine Karte gesteckt. Die Wartezeit ist abgelaufen.</source>
        <translation>Aucune carte n'a été insérée. Le délai d'attente est écoulé.</translation>
    </message>
    <message>
        <source>Die Karte ist keine Schweizer Versichertenkarte.</source>
        <translation>La carte n'est pas une carte d'assuré suisse.</translation>
    </message>
    <message>
        <source>Die Karte kann nicht gelesen werden. Ist sie richtig herum gesteckt? Bitte die Karte stecken lassen, bis sie gelesen ist.</source>
        <translation>La carte ne peut pas être lue. Est-elle insérée dans le bon sens ? Veuillez laisser la carte insérée jusqu'à ce qu'elle soit lue.</translation>
    </message>
    <message>
        <source>Die Karte wird von einem anderen Programm verwendet. Bitte das andere Programm schliessen und die Karte erneut lesen.</source>
        <translation>La carte est utilisée par un autre programme. Veuillez fermer cet autre programme et relire la carte.</translation>
    </message>
    <message>
        <source>Die Daten auf der Karte sind fehlerhaft. Bitte die Kartennummer von Hand eingeben.</source>
        <translation>Les données de la carte sont erronées. Veuillez saisir le numéro de carte à la main.</translation>
    </message>
    <message>
        <source>Das Lesen der Karte wurde abgebrochen.</source>
        <translation>La lecture de la carte a été interrompue.</translation>
    </message>
</context>
<context>
    <name>Watchdog</name>
    <message>
        <source>Abbruch: Der Lauf hat das Zeitlimit überschritten.</source>
        <translation>Interruption : l'exécution a dépassé le délai imparti.</translation>
    </message>
    <message>
        <source>Abbruch: Der Lauf hat die Speichergrenze überschritten.</source>
        <translation>Interruption : l'exécution a dépassé la limite de mémoire.</translation>
    </message>
</context>
</TS>
