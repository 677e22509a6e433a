<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CBackEndDlg1</name>
    <message>
        <source>Footprints</source>
        <translation>Empreintes</translation>
    </message>
    <message>
        <source>Select Footprint </source>
        <translation>Sélectionner une empreinte </translation>
    </message>
    <message>
        <source>&amp;Filter :</source>
        <translation>&amp;Filtre :</translation>
    </message>
    <message>
        <source>Shows only the footprints whose names begin with the text; * stands for any characters</source>
        <translation>N’affiche que les empreintes dont le nom commence par ce texte ; * remplace n’importe quels caractères</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Footprints found on the footprint search path; the current row is the one OK takes</source>
        <translation>Empreintes trouvées dans le chemin de recherche des empreintes ; OK prend la ligne courante</translation>
    </message>
    <message>
        <source>Footprint Grid1</source>
        <translation>Grille des empreintes 1</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>Opens the drawing of the current footprint in the PCB editor</source>
        <translation>Ouvre le dessin de l’empreinte courante dans l’éditeur PCB</translation>
    </message>
    <message>
        <source>&amp;View Footprint</source>
        <translation>&amp;Afficher l’empreinte</translation>
    </message>
    <message>
        <source>Starts a new, unnamed footprint drawing in the PCB editor</source>
        <translation>Commence un nouveau dessin d’empreinte sans nom dans l’éditeur PCB</translation>
    </message>
    <message>
        <source>&amp;New Footprint</source>
        <translation>Nou&amp;velle empreinte</translation>
    </message>
</context>
<context>
    <name>CBackEndDlg2</name>
    <message>
        <source>Footprints</source>
        <translation>Empreintes</translation>
    </message>
    <message>
        <source>Select Footprint(s) </source>
        <translation>Sélectionner une ou des empreintes </translation>
    </message>
    <message>
        <source>&amp;Filter : </source>
        <translation>&amp;Filtre : </translation>
    </message>
    <message>
        <source>Shows only the footprints whose names begin with the text; * stands for any characters</source>
        <translation>N’affiche que les empreintes dont le nom commence par ce texte ; * remplace n’importe quels caractères</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Footprints found on the footprint search path, each with the board side it goes on; OK takes the selected rows</source>
        <translation>Empreintes trouvées dans le chemin de recherche, chacune avec sa face de la carte ; OK prend les lignes sélectionnées</translation>
    </message>
    <message>
        <source>Footprint Grid2</source>
        <translation>Grille des empreintes 2</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>Opens the drawing of the current footprint in the PCB editor</source>
        <translation>Ouvre le dessin de l’empreinte courante dans l’éditeur PCB</translation>
    </message>
    <message>
        <source>&amp;View Footprint</source>
        <translation>&amp;Afficher l’empreinte</translation>
    </message>
    <message>
        <source>Starts a new, unnamed footprint drawing in the PCB editor</source>
        <translation>Commence un nouveau dessin d’empreinte sans nom dans l’éditeur PCB</translation>
    </message>
    <message>
        <source>&amp;New Footprint</source>
        <translation>Nou&amp;velle empreinte</translation>
    </message>
</context>
<context>
    <name>CBackEndMain</name>
    <message>
        <source>Backend dialog-box creation failed</source>
        <translation>La boîte de dialogue n’a pas pu être créée</translation>
    </message>
</context>
<context>
    <name>CFootprintSearchJob</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Reading footprint folders: %1 of %2
Footprints found: %3</source>
        <translation>Lecture des dossiers d&apos;empreintes : %1 sur %2
Empreintes trouvées : %3</translation>
    </message>
    <message>
        <source>not enough memory to list the footprints</source>
        <translation>mémoire insuffisante pour lister les empreintes</translation>
    </message>
    <message>
        <source>Reading the footprint folders…</source>
        <translation>Lecture des dossiers d&apos;empreintes…</translation>
    </message>
    <message>
        <source>Reading footprint folders: %1 of %2
Drawings found: %3</source>
        <translation>Lecture des dossiers d&apos;empreintes : %1 sur %2
Dessins trouvés : %3</translation>
    </message>
    <message>
        <source>Opening the footprint drawing…</source>
        <translation>Ouverture du dessin d’empreinte…</translation>
    </message>
</context>
<context>
    <name>CGridSpeech</name>
    <message>
        <source>empty</source>
        <translation>vide</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message>
        <source>Row %1</source>
        <translation>Ligne %1</translation>
    </message>
</context>
<context>
    <name>CLocationDlg</name>
    <message>
        <source>Location</source>
        <translation>Emplacement</translation>
    </message>
    <message>
        <source>Select the footprint location :</source>
        <translation>Sélectionner l’emplacement de l’empreinte :</translation>
    </message>
    <message>
        <source>The places where the footprint drawing was found; OK or a double-click opens the current one</source>
        <translation>Les emplacements où le dessin de l’empreinte a été trouvé ; OK ou un double-clic ouvre l’emplacement courant</translation>
    </message>
    <message>
        <source>Location Grid</source>
        <translation>Grille des emplacements</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation>Empreinte</translation>
    </message>
</context>
<context>
    <name>CPhysPropsDlg</name>
    <message>
        <source>Physical Properties</source>
        <translation>Propriétés physiques</translation>
    </message>
    <message>
        <source>Specify Values</source>
        <translation>Indiquer les valeurs</translation>
    </message>
    <message>
        <source>The part&apos;s properties; the Value cells can be edited</source>
        <translation>Les propriétés du composant ; les cellules Valeur sont modifiables</translation>
    </message>
    <message>
        <source>Physical Props Grid</source>
        <translation>Grille des propriétés</translation>
    </message>
    <message>
        <source>Picks footprints from the footprint search path for the current property</source>
        <translation>Choisit des empreintes du chemin de recherche pour la propriété courante</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Parcourir...</translation>
    </message>
    <message>
        <source>Opens the drawing of the current property&apos;s footprint in the PCB editor</source>
        <translation>Ouvre le dessin de l’empreinte de la propriété courante dans l’éditeur PCB</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Afficher</translation>
    </message>
    <message>
        <source>Empties the value of the current property</source>
        <translation>Vide la valeur de la propriété courante</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>&amp;Effacer</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;nnuler</translation>
    </message>
    <message>
        <source>Opens the project setup editor on the project file</source>
        <translation>Ouvre l’éditeur de configuration du projet sur le fichier de projet</translation>
    </message>
    <message>
        <source>PCB Editor &amp;Setup</source>
        <translation>&amp;Configuration de l’éditeur PCB</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Propriété</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
</context>
<context>
    <name>CTexts</name>
    <message>
        <source>ERROR : Incorrect syntax of ALT_SYMBOLS.
Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)</source>
        <translation>ERREUR : syntaxe incorrecte de ALT_SYMBOLS.
La syntaxe correcte est : (Subclass:Symbol ,... ; Subclass:Symbol ,...)</translation>
    </message>
    <message>
        <source>PCB editor</source>
        <translation>éditeur PCB</translation>
    </message>
    <message>
        <source>project setup editor</source>
        <translation>éditeur de configuration du projet</translation>
    </message>
    <message>
        <source>Search folders skipped:</source>
        <translation>Dossiers de recherche ignorés :</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>et %n autre</numerusform>
            <numerusform>et %n autres</numerusform>
        </translation>
    </message>
    <message>
        <source>Footprint can&apos;t be viewed as corresponding .dra file not found in the PSMPATH</source>
        <translation>L’empreinte ne peut pas être affichée : le fichier .dra correspondant est introuvable dans le PSMPATH</translation>
    </message>
    <message>
        <source>These footprints cannot be part of the selection: their names contain a comma, semicolon, colon or blank, which would split them into other names.</source>
        <translation>Ces empreintes ne peuvent pas faire partie de la sélection : leur nom contient une virgule, un point-virgule, deux-points ou une espace, qui le couperait en d’autres noms.</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... et %n autre</numerusform>
            <numerusform>... et %n autres</numerusform>
        </translation>
    </message>
    <message>
        <source>Take them out of the selection, then press OK again.</source>
        <translation>Retirez-les de la sélection, puis appuyez de nouveau sur OK.</translation>
    </message>
    <message>
        <source>no folder (PATH is empty)</source>
        <translation>aucun dossier (PATH est vide)</translation>
    </message>
    <message>
        <source>Files left out because their names are not valid UTF-8 (rename them to use them):</source>
        <translation>Fichiers omis car leur nom n&apos;est pas en UTF-8 valide (renommez-les pour les utiliser) :</translation>
    </message>
    <message>
        <source>The footprint search path is empty: there is no project file, and the environment variable PSMPATH names no folder. Set PSMPATH to the footprint folders, separated by &apos;:&apos;.</source>
        <translation>Le chemin de recherche des empreintes est vide : il n&apos;y a pas de fichier de projet, et la variable d&apos;environnement PSMPATH ne nomme aucun dossier. Donnez à PSMPATH les dossiers d&apos;empreintes, séparés par &apos;:&apos;.</translation>
    </message>
    <message>
        <source>search folders skipped: %1</source>
        <translation>dossiers de recherche ignorés : %1</translation>
    </message>
    <message>
        <source>files left out, their names are not valid UTF-8: %1</source>
        <translation>fichiers omis, leur nom n&apos;est pas en UTF-8 valide : %1</translation>
    </message>
    <message>
        <source>Not every footprint could be listed; %1.</source>
        <translation>Toutes les empreintes n&apos;ont pas pu être listées ; %1.</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Afficher</translation>
    </message>
    <message>
        <source>The footprint search path is empty: the psmpath lines of the project file &quot;%1&quot; name no folder. Give them the footprint folders.</source>
        <translation>Le chemin de recherche des empreintes est vide : les lignes psmpath du fichier de projet «&#xa0;%1&#xa0;» ne nomment aucun dossier. Indiquez-y les dossiers d&apos;empreintes.</translation>
    </message>
    <message>
        <source>The footprint search path is empty: the project file &quot;%1&quot; has no psmpath line, and the environment variable PSMPATH names no folder. Add psmpath lines to the project file, or set PSMPATH to the footprint folders.</source>
        <translation>Le chemin de recherche des empreintes est vide : le fichier de projet «&#xa0;%1&#xa0;» n&apos;a aucune ligne psmpath, et la variable d&apos;environnement PSMPATH ne nomme aucun dossier. Ajoutez des lignes psmpath au fichier de projet, ou donnez à PSMPATH les dossiers d&apos;empreintes.</translation>
    </message>
    <message>
        <source>The footprint drawing &quot;%1&quot; can&apos;t be opened: %2.</source>
        <translation>Le dessin d’empreinte «&#xa0;%1&#xa0;» ne peut pas être ouvert : %2.</translation>
    </message>
    <message numerus="yes">
        <source>The %1 &quot;%2&quot; did not get %n request(s) to open a drawing: %3.
Try again: the next request starts it anew.</source>
        <translation>
            <numerusform>L’%1 «&#xa0;%2&#xa0;» n’a pas reçu %n demande d’ouverture de dessin : %3.
Réessayez : la prochaine demande le redémarre.</numerusform>
            <numerusform>L’%1 «&#xa0;%2&#xa0;» n’a pas reçu %n demandes d’ouverture de dessin : %3.
Réessayez : la prochaine demande le redémarre.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot start the %1: the program &quot;%2&quot; was not found.
Looked in: %3
Install it, or add its folder to PATH.</source>
        <translation>Impossible de démarrer l’%1 : le programme «&#xa0;%2&#xa0;» est introuvable.
Cherché dans : %3
Installez-le, ou ajoutez son dossier à PATH.</translation>
    </message>
    <message>
        <source>Cannot start the %1 &quot;%2&quot;: %3.</source>
        <translation>Impossible de démarrer l’%1 «&#xa0;%2&#xa0;» : %3.</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1
Fix the project file, then try again.</source>
        <translation>Le chemin de recherche des empreintes ne peut pas être lu dans le fichier de projet :
%1
Corrigez le fichier de projet, puis réessayez.</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>n&apos;est pas un fichier</translation>
    </message>
    <message>
        <source>too large (more than %1 bytes)</source>
        <translation>trop grand (plus de %1 octets)</translation>
    </message>
    <message>
        <source>cannot open: %1</source>
        <translation>impossible d&apos;ouvrir : %1</translation>
    </message>
    <message>
        <source>cannot read: %1</source>
        <translation>impossible de lire : %1</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>ne peut pas être lu</translation>
    </message>
    <message>
        <source>binary data (a NUL byte) in the file</source>
        <translation>données binaires (un octet NUL) dans le fichier</translation>
    </message>
    <message>
        <source>not UTF-8 text (save the file as UTF-8)</source>
        <translation>pas du texte UTF-8 (enregistrez le fichier en UTF-8)</translation>
    </message>
    <message>
        <source>carriage return inside a line (save the file with LF or CR LF line ends)</source>
        <translation>retour chariot à l&apos;intérieur d&apos;une ligne (enregistrez le fichier avec des fins de ligne LF ou CR LF)</translation>
    </message>
    <message>
        <source>malformed line (expected [program] or name = value)</source>
        <translation>ligne mal formée ([programme] ou nom = valeur attendu)</translation>
    </message>
    <message>
        <source>a value without a name</source>
        <translation>une valeur sans nom</translation>
    </message>
    <message>
        <source>the footprint search was given no way to read a project&apos;s search path</source>
        <translation>la recherche d&apos;empreintes n&apos;a reçu aucun moyen de lire le chemin de recherche d&apos;un projet</translation>
    </message>
    <message>
        <source>(no project file)</source>
        <translation>(aucun fichier de projet)</translation>
    </message>
    <message>
        <source>does not exist</source>
        <translation>n&apos;existe pas</translation>
    </message>
    <message>
        <source>cannot be reached (%1)</source>
        <translation>est inaccessible (%1)</translation>
    </message>
    <message>
        <source>is not a folder</source>
        <translation>n&apos;est pas un dossier</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>ne peut pas être lu (%1)</translation>
    </message>
    <message>
        <source>cannot be searched, its files cannot be opened (%1)</source>
        <translation>ne peut pas être parcouru, ses fichiers ne peuvent pas être ouverts (%1)</translation>
    </message>
    <message>
        <source>names no folder: it expands to an empty text</source>
        <translation>ne nomme aucun dossier : son expansion donne un texte vide</translation>
    </message>
    <message>
        <source>; its value was used as stored: %1</source>
        <translation>; sa valeur a été utilisée telle qu&apos;enregistrée : %1</translation>
    </message>
    <message>
        <source>the program&apos;s process could not be made</source>
        <translation>le processus du programme n&apos;a pas pu être créé</translation>
    </message>
    <message>
        <source>cannot enter the folder %1: %2</source>
        <translation>impossible d&apos;entrer dans le dossier %1 : %2</translation>
    </message>
    <message>
        <source>the host&apos;s tool manager is gone</source>
        <translation>le gestionnaire d’outils du programme hôte n’existe plus</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (process %2) runs but does not answer</source>
        <translation>« %1 » (processus %2) tourne mais ne répond pas</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (process %2) ended right after it started, before it answered</source>
        <translation>« %1 » (processus %2) s’est arrêté juste après son démarrage, avant de répondre</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was started %2 times and never answered</source>
        <translation>« %1 » a été démarré %2 fois et n’a jamais répondu</translation>
    </message>
    <message>
        <source>the program &quot;%1&quot; was not found</source>
        <translation>le programme « %1 » est introuvable</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be started: %2</source>
        <translation>« %1 » n’a pas pu être démarré : %2</translation>
    </message>
    <message>
        <source>exit status %1</source>
        <translation>code de sortie %1</translation>
    </message>
    <message>
        <source>killed by signal %1 (%2)</source>
        <translation>tué par le signal %1 (%2)</translation>
    </message>
    <message>
        <source>killed by signal %1</source>
        <translation>tué par le signal %1</translation>
    </message>
    <message>
        <source>wait status %1</source>
        <translation>état d’attente %1</translation>
    </message>
    <message>
        <source>%1 messages already wait for the listener</source>
        <translation>%1 messages attendent déjà le destinataire</translation>
    </message>
    <message>
        <source>a message of %1 bytes is over the limit of %2</source>
        <translation>un message de %1 octets dépasse la limite de %2</translation>
    </message>
    <message>
        <source>nobody listens in session &quot;%1&quot;: %2</source>
        <translation>personne n’écoute dans la session « %1 » : %2</translation>
    </message>
    <message>
        <source>the sender ended while the listener had not taken them</source>
        <translation>l’expéditeur s’est arrêté avant que le destinataire ne les prenne</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1
Make sure the project file can be reached and read (a network share or a removable disk may have gone away), then try again.</source>
        <translation>Le chemin de recherche des empreintes ne peut pas être lu dans le fichier de projet :
%1
Vérifiez que le fichier de projet est accessible et lisible (un partage réseau ou un disque amovible a peut-être été déconnecté), puis réessayez.</translation>
    </message>
    <message>
        <source>The footprint search path can&apos;t be read from the project file:
%1</source>
        <translation>Le chemin de recherche des empreintes ne peut pas être lu dans le fichier de projet :
%1</translation>
    </message>
    <message>
        <source>: it is a folder</source>
        <translation> : c&apos;est un dossier</translation>
    </message>
    <message>
        <source>: it is a named pipe (FIFO)</source>
        <translation> : c&apos;est un tube nommé (FIFO)</translation>
    </message>
    <message>
        <source>: it is a device</source>
        <translation> : c&apos;est un périphérique</translation>
    </message>
    <message>
        <source>: it is a socket</source>
        <translation> : c&apos;est un socket</translation>
    </message>
    <message>
        <source>UTF-16 text (save the file as UTF-8)</source>
        <translation>texte UTF-16 (enregistrez le fichier en UTF-8)</translation>
    </message>
    <message>
        <source>the name of a folder on its path is not UTF-8 text, so the file cannot be named again (rename the folder to UTF-8)</source>
        <translation>le nom d&apos;un dossier de son chemin n&apos;est pas du texte UTF-8, le fichier ne peut donc pas être désigné de nouveau (renommez le dossier en UTF-8)</translation>
    </message>
    <message>
        <source>; &quot;~&quot; is taken as a folder name, not as the home folder: write ${HOME} instead, with expand_vars = 1</source>
        <translation>; « ~ » est pris comme nom de dossier, pas comme dossier personnel : écrivez ${HOME} à la place, avec expand_vars = 1</translation>
    </message>
    <message>
        <source>; environment references were not expanded: the project file does not set expand_vars = 1</source>
        <translation>; les références d&apos;environnement n&apos;ont pas été développées : le fichier de projet ne définit pas expand_vars = 1</translation>
    </message>
    <message>
        <source>this indented line adds a value to the line above it; it does not set &quot;%1&quot; (take out the indent to set it)</source>
        <translation>cette ligne en retrait ajoute une valeur à la ligne au-dessus ; elle ne définit pas « %1 » (supprimez le retrait pour le définir)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; in the section [%2] is not read: the search path comes from the lines before the first section and from [Global]</source>
        <translation>« %1 » dans la section [%2] n&apos;est pas lu : le chemin de recherche vient des lignes avant la première section et de [Global]</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Parcourir</translation>
    </message>
    <message>
        <source>No .psm files found for the footprints</source>
        <translation>Aucun fichier .psm trouvé pour les empreintes</translation>
    </message>
    <message>
        <source>No property is selected: there is nothing to view.</source>
        <translation>Aucune propriété n’est sélectionnée : il n’y a rien à afficher.</translation>
    </message>
    <message>
        <source>View opens the footprints that JEDEC_TYPE and ALT_SYMBOLS name; select one of these rows.</source>
        <translation>Afficher ouvre les empreintes que nomment JEDEC_TYPE et ALT_SYMBOLS ; sélectionnez l’une de ces lignes.</translation>
    </message>
    <message>
        <source>The value is empty: type a footprint name, or choose one with Browse.</source>
        <translation>La valeur est vide : saisissez un nom d’empreinte, ou choisissez-en une avec Parcourir.</translation>
    </message>
    <message>
        <source>The value () names no symbol: type symbol names between the parentheses, or choose them with Browse.</source>
        <translation>La valeur () ne nomme aucun symbole : saisissez des noms de symboles entre les parenthèses, ou choisissez-les avec Parcourir.</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CCellModel</name>
    <message numerus="yes">
        <source>%Ln characters in all</source>
        <translation>
            <numerusform>%Ln caractère au total</numerusform>
            <numerusform>%Ln caractères au total</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>physprops::ui::CDialogBase</name>
    <message>
        <source>Size grip</source>
        <translation>Poignée de redimensionnement</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CFootprintListModel</name>
    <message>
        <source>Footprint</source>
        <translation>Empreinte</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Emplacement</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Face</translation>
    </message>
    <message>
        <source>Files that answer this name, letter case apart: %1</source>
        <translation>Fichiers répondant à ce nom, à la casse près : %1</translation>
    </message>
</context>
<context>
    <name>physprops::ui::CFootprintSelectDlg</name>
    <message>
        <source>No footprint matches “%1”</source>
        <translation>Aucune empreinte ne correspond à «&#xa0;%1&#xa0;»</translation>
    </message>
    <message>
        <source>&amp;Details...</source>
        <translation>&amp;Détails...</translation>
    </message>
    <message>
        <source>Names the search folders that were skipped and why</source>
        <translation>Nomme les dossiers de recherche ignorés et la raison</translation>
    </message>
</context>
</TS>
