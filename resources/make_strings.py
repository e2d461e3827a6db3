#!/usr/bin/env python3
"""Writes strings.rc: the installer's string table, one block of the same 48 ids for each of
the seventeen languages. Run it after a change; the generated file is committed."""
import os

KEYS = list(range(0, 19)) + list(range(100, 116)) + list(range(117, 128)) + [129, 131] + list(range(132, 139))
BUTTONS = {1, 2, 4, 5, 6, 7, 8}

FRENCH = {
    0: "Installeur", 1: "OK", 2: "Annuler", 3: "À propos de '%1'", 4: "Quitter", 5: "Précédent",
    6: "Suivant", 7: "Installer", 8: "Parcourir...", 9: "Menu Démarrer",
    10: "Sélection du dossier d'installation", 11: "OK", 12: "Échec", 13: "Désinstaller %1",
    14: "Sélectionnez la langue d'installation", 15: "Méthode d'installation",
    16: "Installation rapide (recommandée)", 17: "Installation personnalisée", 18: "Exemples %1",
    100: "Installation de '%1'.", 101: "Mise à jour de '%1' vers '%2'.", 102: "'%1' est déjà installé.",
    103: "Une version plus récente (%1) est déjà installée.",
    104: "Souhaitez-vous vraiment effectuer une réinstallation ?",
    105: "Cliquez sur '%1' pour continuer ou sur '%2' pour quitter l'installeur.",
    106: "Cliquez sur '%1' pour continuer.", 107: "Cliquez sur '%1' pour quitter l'installeur.",
    108: "Cliquez sur '%1' pour démarrer l'installation.", 109: "Version %1",
    110: "L'installation n'est pas achevée.\r\n\r\nÊtes-vous certain de vouloir quitter l'installeur ?",
    111: "Sélectionnez le dossier dans lequel vous voulez installer '%1'.",
    112: "Créer un raccourci dans le menu suivant\u00a0:", 113: "Créer un raccourci sur le bureau.",
    114: "Préparation de l'installation...", 115: "Copie du fichier %1...", 117: "Création des raccourcis...",
    118: "Inscription dans la base de registre...", 119: "Enregistrement des informations d'installation...",
    120: "L'installation est terminée.", 121: "Échec de l'installation (code d'erreur %1).",
    122: "Options d'installation", 123: "Dossier d'installation\u00a0: %1.",
    124: "Création d'un raccourci dans le menu Démarrer (dossier %1).",
    125: "Création d'un raccourci sur le bureau.",
    126: "Vous devez disposer de privilèges d'administrateur sur cet ordinateur pour pouvoir effectuer l'installation.",
    127: "Vous devez fermer '%1' avant de poursuivre l'installation.",
    129: "'%1' sera installé dans la langue choisie, mais l'installeur, en cours de traduction, s'exécutera en français.",
    131: "Mise à jour de DirectX...",
    132: "Veuillez ne pas saisir plus de %1 caractères.",
    133: "Veuillez saisir le chemin complet d'un dossier, par exemple C:\\Programmes\\Vantrel ou \\\\serveur\\partage\\Vantrel.",
    134: "Le dossier d'installation est trop long pour les fichiers qui y seront installés. Choisissez un dossier de %1 caractères au plus.",
    135: "Le dossier du menu Démarrer est trop long pour les raccourcis qui y seront créés. Choisissez un dossier de %1 caractères au plus.",
    136: "Une installation de '%1' interrompue avant sa fin a été annulée : l'ordinateur est revenu à l'état d'avant.",
    137: "Une installation de '%1' interrompue avant sa fin n'a pas pu être annulée :\r\n%2\r\nFermez les programmes qui utilisent ses fichiers, puis réessayez.",
    138: "L'installeur ne connaît pas l'option %1.\r\n\r\nOptions\u00a0: %2",
}

ENGLISH = {
    0: "Installer", 1: "OK", 2: "Cancel", 3: "About '%1'", 4: "Exit", 5: "Back", 6: "Next", 7: "Install",
    8: "Browse...", 9: "Start menu", 10: "Installation Folder Selection", 11: "OK", 12: "Failed",
    13: "Uninstall %1", 14: "Select Installation Langage", 15: "Installation Method",
    16: "Quick Installation (Recommended)", 17: "Advanced Installation", 18: "%1 Examples",
    100: "'%1' Installation.", 101: "Update from '%1' to '%2'.", 102: "'%1' is already installed.",
    103: "A more recent Version (%1) is already installed.", 104: "Do you confirm Reinstallation ?",
    105: "Click on '%1' to continue or on '%2' to exit Installation.", 106: "Click on '%1' to continue.",
    107: "Click on '%1' to exit Installation.", 108: "Click on '%1' to start Installation.", 109: "Version %1",
    110: "Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?",
    111: "Select '%1' Installation Folder.", 112: "Create a Shortcut in the following Menu:",
    113: "Create a Shortcut on the Desktop.", 114: "Preparing Installation...", 115: "Copying File  %1...",
    117: "Shortcuts Creation...", 118: "Registry Data Writing...", 119: "Installation Data Writing...",
    120: "Installation is complete.", 121: "Installation failed (Error Code %1).", 122: "Installation Options",
    123: "Installation Folder: %1.", 124: "Creating a Shortcut in the Start Menu (Folder %1).",
    125: "Creating a Shortcut on the Desktop.",
    126: "You should have Administrator Rights in order to proceed to Installation.",
    127: "You should close '%1' before continuing Installation.",
    129: "'%1' will be installed in the selected Langage, but the Installer, still under translation,  shall run in English.",
    131: "#",
    132: "Please enter no more than %1 characters.",
    133: "Please enter the full path of a folder, such as C:\\Programs\\Vantrel or \\\\server\\share\\Vantrel.",
    134: "The installation folder is too long for the files installed in it. Please choose a folder of no more than %1 characters.",
    135: "The Start menu folder is too long for the shortcuts created in it. Please choose a folder of no more than %1 characters.",
    136: "An installation of '%1' that was interrupted before its end has been undone: the computer is as it was before.",
    137: "An installation of '%1' that was interrupted before its end could not be undone:\r\n%2\r\nClose the programs that use its files, then retry.",
    138: "The installer does not know the switch %1.\r\n\r\nSwitches: %2",
}

GERMAN = {
    0: "Installationsprogramm", 1: "OK", 2: "Abbrechen", 3: "Über '%1'", 4: "Beenden", 5: "Zurück",
    6: "Weiter", 7: "Installieren", 8: "Durchsuchen...", 9: "Startmenü", 10: "Auswahl des Installationsordners",
    11: "OK", 12: "Fehlgeschlagen", 13: "%1 deinstallieren", 14: "Wählen Sie die Installationssprache",
    15: "Installationsart", 16: "Schnellinstallation (empfohlen)", 17: "Benutzerdefinierte Installation",
    18: "%1-Beispiele", 100: "Installation von '%1'.", 101: "Aktualisierung von '%1' auf '%2'.",
    102: "'%1' ist bereits installiert.", 103: "Eine neuere Version (%1) ist bereits installiert.",
    104: "Möchten Sie die erneute Installation wirklich durchführen?",
    105: "Mit '%1' fortfahren oder mit '%2' das Installationsprogramm beenden.",
    106: "Klicken Sie auf '%1', um fortzufahren.", 107: "Klicken Sie auf '%1', um das Installationsprogramm zu beenden.",
    108: "Klicken Sie auf '%1', um die Installation zu starten.", 109: "Version %1",
    110: "Die Installation ist nicht abgeschlossen.\r\n\r\nMöchten Sie das Installationsprogramm wirklich beenden?",
    111: "Wählen Sie den Ordner, in dem '%1' installiert werden soll.",
    112: "Eine Verknüpfung in folgendem Menü erstellen:", 113: "Eine Verknüpfung auf dem Desktop erstellen.",
    114: "Installation wird vorbereitet...", 115: "Datei %1 wird kopiert...", 117: "Verknüpfungen werden erstellt...",
    118: "Registrierungsdaten werden geschrieben...", 119: "Installationsdaten werden gespeichert...",
    120: "Die Installation ist abgeschlossen.", 121: "Die Installation ist fehlgeschlagen (Fehlercode %1).",
    122: "Installationsoptionen", 123: "Installationsordner: %1.",
    124: "Verknüpfung im Startmenü wird erstellt (Ordner %1).", 125: "Verknüpfung auf dem Desktop wird erstellt.",
    126: "Für die Installation benötigen Sie Administratorrechte auf diesem Computer.",
    127: "Bitte schließen Sie '%1', bevor Sie mit der Installation fortfahren.",
    129: "'%1' wird in der gewählten Sprache installiert, das noch nicht übersetzte Installationsprogramm läuft jedoch auf Englisch.",
    131: "#",
    132: "Bitte geben Sie höchstens %1 Zeichen ein.",
    133: "Bitte geben Sie den vollständigen Pfad eines Ordners ein, zum Beispiel C:\\Programme\\Vantrel oder \\\\Server\\Freigabe\\Vantrel.",
    134: "Der Installationsordner ist zu lang für die darin installierten Dateien. Bitte wählen Sie einen Ordner mit höchstens %1 Zeichen.",
    135: "Der Startmenüordner ist zu lang für die darin erstellten Verknüpfungen. Bitte wählen Sie einen Ordner mit höchstens %1 Zeichen.",
    136: "Eine vor ihrem Ende unterbrochene Installation von '%1' wurde rückgängig gemacht: Der Computer ist wieder wie zuvor.",
    137: "Eine vor ihrem Ende unterbrochene Installation von '%1' konnte nicht rückgängig gemacht werden:\r\n%2\r\nSchließen Sie die Programme, die ihre Dateien verwenden, und wiederholen Sie den Vorgang.",
    138: "Das Installationsprogramm kennt den Schalter %1 nicht.\r\n\r\nSchalter: %2",
}

SPANISH = {
    0: "Instalador", 1: "Aceptar", 2: "Cancelar", 3: "Acerca de '%1'", 4: "Salir", 5: "Atrás", 6: "Siguiente",
    7: "Instalar", 8: "Examinar...", 9: "Menú Inicio", 10: "Selección de la carpeta de instalación", 11: "OK",
    12: "Error", 13: "Desinstalar %1", 14: "Seleccione el idioma de instalación", 15: "Método de instalación",
    16: "Instalación rápida (recomendada)", 17: "Instalación personalizada", 18: "Ejemplos de %1",
    100: "Instalación de '%1'.", 101: "Actualización de '%1' a '%2'.", 102: "'%1' ya está instalado.",
    103: "Ya hay instalada una versión más reciente (%1).", 104: "¿Confirma la reinstalación?",
    105: "Haga clic en '%1' para continuar o en '%2' para salir del instalador.",
    106: "Haga clic en '%1' para continuar.", 107: "Haga clic en '%1' para salir del instalador.",
    108: "Haga clic en '%1' para iniciar la instalación.", 109: "Versión %1",
    110: "La instalación no ha terminado.\r\n\r\n¿Seguro que desea salir del instalador?",
    111: "Seleccione la carpeta en la que desea instalar '%1'.", 112: "Crear un acceso directo en el siguiente menú:",
    113: "Crear un acceso directo en el escritorio.", 114: "Preparando la instalación...",
    115: "Copiando el archivo %1...", 117: "Creando los accesos directos...", 118: "Escribiendo en el registro...",
    119: "Guardando los datos de instalación...", 120: "La instalación ha terminado.",
    121: "La instalación ha fallado (código de error %1).", 122: "Opciones de instalación",
    123: "Carpeta de instalación: %1.", 124: "Creando un acceso directo en el menú Inicio (carpeta %1).",
    125: "Creando un acceso directo en el escritorio.",
    126: "Necesita derechos de administrador en este equipo para realizar la instalación.",
    127: "Cierre '%1' antes de continuar con la instalación.",
    129: "'%1' se instalará en el idioma elegido, pero el instalador, aún en traducción, se ejecutará en inglés.",
    131: "#",
    132: "Escriba %1 caracteres como máximo.",
    133: "Escriba la ruta completa de una carpeta, por ejemplo C:\\Programas\\Vantrel o \\\\servidor\\recurso\\Vantrel.",
    134: "La carpeta de instalación es demasiado larga para los archivos que se instalarán en ella. Elija una carpeta de %1 caracteres como máximo.",
    135: "La carpeta del menú Inicio es demasiado larga para los accesos directos que se crearán en ella. Elija una carpeta de %1 caracteres como máximo.",
    136: "Se ha deshecho una instalación de '%1' interrumpida antes de terminar: el equipo ha vuelto a su estado anterior.",
    137: "No se ha podido deshacer una instalación de '%1' interrumpida antes de terminar:\r\n%2\r\nCierre los programas que usan sus archivos y vuelva a intentarlo.",
    138: "El instalador no reconoce la opción %1.\r\n\r\nOpciones: %2",
}

PORTUGUESE = {
    0: "Instalador", 1: "OK", 2: "Cancelar", 3: "Acerca de '%1'", 4: "Sair", 5: "Anterior", 6: "Seguinte",
    7: "Instalar", 8: "Procurar...", 9: "Menu Iniciar", 10: "Seleção da pasta de instalação", 11: "OK",
    12: "Falhou", 13: "Desinstalar %1", 14: "Selecione o idioma de instalação", 15: "Método de instalação",
    16: "Instalação rápida (recomendada)", 17: "Instalação personalizada", 18: "Exemplos de %1",
    100: "Instalação de '%1'.", 101: "Atualização de '%1' para '%2'.", 102: "'%1' já está instalado.",
    103: "Já está instalada uma versão mais recente (%1).", 104: "Confirma a reinstalação?",
    105: "Clique em '%1' para continuar ou em '%2' para sair do instalador.",
    106: "Clique em '%1' para continuar.", 107: "Clique em '%1' para sair do instalador.",
    108: "Clique em '%1' para iniciar a instalação.", 109: "Versão %1",
    110: "A instalação não está concluída.\r\n\r\nTem a certeza de que pretende sair do instalador?",
    111: "Selecione a pasta onde pretende instalar '%1'.", 112: "Criar um atalho no seguinte menu:",
    113: "Criar um atalho no ambiente de trabalho.", 114: "A preparar a instalação...",
    115: "A copiar o ficheiro %1...", 117: "A criar os atalhos...", 118: "A escrever no registo...",
    119: "A guardar os dados de instalação...", 120: "A instalação está concluída.",
    121: "A instalação falhou (código de erro %1).", 122: "Opções de instalação", 123: "Pasta de instalação: %1.",
    124: "A criar um atalho no menu Iniciar (pasta %1).", 125: "A criar um atalho no ambiente de trabalho.",
    126: "Necessita de direitos de administrador neste computador para efetuar a instalação.",
    127: "Feche '%1' antes de continuar a instalação.",
    129: "'%1' será instalado no idioma escolhido, mas o instalador, ainda em tradução, será executado em inglês.",
    131: "#",
    132: "Introduza no máximo %1 caracteres.",
    133: "Introduza o caminho completo de uma pasta, por exemplo C:\\Programas\\Vantrel ou \\\\servidor\\partilha\\Vantrel.",
    134: "A pasta de instalação é demasiado longa para os ficheiros que nela serão instalados. Escolha uma pasta com no máximo %1 caracteres.",
    135: "A pasta do menu Iniciar é demasiado longa para os atalhos que nela serão criados. Escolha uma pasta com no máximo %1 caracteres.",
    136: "Uma instalação de '%1' interrompida antes do fim foi anulada: o computador voltou ao estado anterior.",
    137: "Não foi possível anular uma instalação de '%1' interrompida antes do fim:\r\n%2\r\nFeche os programas que utilizam os seus ficheiros e tente novamente.",
    138: "O instalador não reconhece a opção %1.\r\n\r\nOpções: %2",
}

TURKISH = {
    0: "Kurulum", 1: "Tamam", 2: "İptal", 3: "%1 hakkında", 4: "Çıkış", 5: "Geri", 6: "İleri", 7: "Kur",
    8: "Gözat...", 9: "Başlat menüsü", 10: "Kurulum klasörü seçimi", 11: "Tamam", 12: "Başarısız",
    13: "%1'i Kaldır", 14: "Kurulum dilini seçin", 15: "Kurulum yöntemi", 16: "Hızlı kurulum (önerilen)",
    17: "Özel kurulum", 18: "%1 Örnekleri", 100: "'%1' kurulumu.", 101: "'%1' sürümünden '%2' sürümüne güncelleme.",
    102: "'%1' zaten kurulu.", 103: "Daha yeni bir sürüm (%1) zaten kurulu.",
    104: "Yeniden kurulumu onaylıyor musunuz?",
    105: "Devam etmek için '%1', kurulumdan çıkmak için '%2' düğmesine tıklayın.",
    106: "Devam etmek için '%1' düğmesine tıklayın.", 107: "Kurulumdan çıkmak için '%1' düğmesine tıklayın.",
    108: "Kurulumu başlatmak için '%1' düğmesine tıklayın.", 109: "Sürüm %1",
    110: "Kurulum tamamlanmadı.\r\n\r\nKurulumdan çıkmak istediğinize emin misiniz?",
    111: "'%1' uygulamasının kurulacağı klasörü seçin.", 112: "Aşağıdaki menüde bir kısayol oluştur:",
    113: "Masaüstünde bir kısayol oluştur.", 114: "Kurulum hazırlanıyor...", 115: "%1 dosyası kopyalanıyor...",
    117: "Kısayollar oluşturuluyor...", 118: "Kayıt defteri verileri yazılıyor...",
    119: "Kurulum bilgileri kaydediliyor...", 120: "Kurulum tamamlandı.",
    121: "Kurulum başarısız oldu (hata kodu %1).", 122: "Kurulum seçenekleri", 123: "Kurulum klasörü: %1.",
    124: "Başlat menüsünde bir kısayol oluşturuluyor (klasör %1).", 125: "Masaüstünde bir kısayol oluşturuluyor.",
    126: "Kurulumu yapabilmek için bu bilgisayarda yönetici haklarına sahip olmalısınız.",
    127: "Kuruluma devam etmeden önce '%1' uygulamasını kapatın.",
    129: "'%1' seçilen dilde kurulacak, ancak henüz çevrilmekte olan kurulum programı İngilizce çalışacak.",
    131: "#",
    132: "En fazla %1 karakter girin.",
    133: "Bir klasörün tam yolunu girin, örneğin C:\\Programlar\\Vantrel veya \\\\sunucu\\paylaşım\\Vantrel.",
    134: "Kurulum klasörü, içine kurulacak dosyalar için çok uzun. En fazla %1 karakterlik bir klasör seçin.",
    135: "Başlat menüsü klasörü, içinde oluşturulacak kısayollar için çok uzun. En fazla %1 karakterlik bir klasör seçin.",
    136: "Tamamlanmadan kesilen bir '%1' kurulumu geri alındı: bilgisayar önceki durumuna döndü.",
    137: "Tamamlanmadan kesilen bir '%1' kurulumu geri alınamadı:\r\n%2\r\nDosyalarını kullanan programları kapatıp yeniden deneyin.",
    138: "Kurulum programı %1 seçeneğini tanımıyor.\r\n\r\nSeçenekler: %2",
}

ROMANIAN = {
    0: "Program de instalare", 1: "OK", 2: "Anulare", 3: "Despre '%1'", 4: "Ieșire", 5: "Înapoi", 6: "Următorul",
    7: "Instalare", 8: "Răsfoire...", 9: "Meniul Start", 10: "Selectarea dosarului de instalare", 11: "OK",
    12: "Eșec", 13: "Dezinstalare %1", 14: "Selectați limba de instalare", 15: "Metoda de instalare",
    16: "Instalare rapidă (recomandată)", 17: "Instalare personalizată", 18: "Exemple %1",
    100: "Instalarea '%1'.", 101: "Actualizare de la '%1' la '%2'.", 102: "'%1' este deja instalat.",
    103: "O versiune mai recentă (%1) este deja instalată.", 104: "Confirmați reinstalarea?",
    105: "Faceți clic pe '%1' pentru a continua sau pe '%2' pentru a ieși din instalare.",
    106: "Faceți clic pe '%1' pentru a continua.", 107: "Faceți clic pe '%1' pentru a ieși din instalare.",
    108: "Faceți clic pe '%1' pentru a începe instalarea.", 109: "Versiunea %1",
    110: "Instalarea nu este terminată.\r\n\r\nSigur doriți să ieșiți din instalare?",
    111: "Selectați dosarul în care doriți să instalați '%1'.", 112: "Creare comandă rapidă în meniul următor:",
    113: "Creare comandă rapidă pe desktop.", 114: "Se pregătește instalarea...", 115: "Se copiază fișierul %1...",
    117: "Se creează comenzile rapide...", 118: "Se scriu datele în registru...",
    119: "Se salvează datele instalării...", 120: "Instalarea s-a terminat.",
    121: "Instalarea a eșuat (cod de eroare %1).", 122: "Opțiuni de instalare", 123: "Dosarul de instalare: %1.",
    124: "Se creează o comandă rapidă în meniul Start (dosarul %1).", 125: "Se creează o comandă rapidă pe desktop.",
    126: "Trebuie să aveți drepturi de administrator pe acest computer pentru a efectua instalarea.",
    127: "Închideți '%1' înainte de a continua instalarea.",
    129: "'%1' va fi instalat în limba aleasă, dar programul de instalare, încă în curs de traducere, va rula în engleză.",
    131: "#",
    132: "Introduceți cel mult %1 caractere.",
    133: "Introduceți calea completă a unui dosar, de exemplu C:\\Programe\\Vantrel sau \\\\server\\partajare\\Vantrel.",
    134: "Dosarul de instalare este prea lung pentru fișierele care vor fi instalate în el. Alegeți un dosar de cel mult %1 caractere.",
    135: "Dosarul din meniul Start este prea lung pentru comenzile rapide care vor fi create în el. Alegeți un dosar de cel mult %1 caractere.",
    136: "O instalare a '%1' întreruptă înainte de final a fost anulată: computerul este din nou ca înainte.",
    137: "O instalare a '%1' întreruptă înainte de final nu a putut fi anulată:\r\n%2\r\nÎnchideți programele care îi folosesc fișierele, apoi reîncercați.",
    138: "Programul de instalare nu recunoaște opțiunea %1.\r\n\r\nOpțiuni: %2",
}

ITALIAN = {
    0: "Programma di installazione", 1: "OK", 2: "Annulla", 3: "Informazioni su '%1'", 4: "Esci", 5: "Indietro",
    6: "Avanti", 7: "Installa", 8: "Sfoglia...", 9: "Menu Start", 10: "Selezione della cartella di installazione",
    11: "OK", 12: "Non riuscito", 13: "Disinstalla %1", 14: "Selezionare la lingua di installazione",
    15: "Metodo di installazione", 16: "Installazione rapida (consigliata)", 17: "Installazione personalizzata",
    18: "Esempi di %1", 100: "Installazione di '%1'.", 101: "Aggiornamento da '%1' a '%2'.",
    102: "'%1' è già installato.", 103: "È già installata una versione più recente (%1).",
    104: "Confermare la reinstallazione?",
    105: "Fare clic su '%1' per continuare o su '%2' per uscire dall'installazione.",
    106: "Fare clic su '%1' per continuare.", 107: "Fare clic su '%1' per uscire dall'installazione.",
    108: "Fare clic su '%1' per avviare l'installazione.", 109: "Versione %1",
    110: "L'installazione non è completa.\r\n\r\nUscire comunque dall'installazione?",
    111: "Selezionare la cartella in cui installare '%1'.", 112: "Crea un collegamento nel menu seguente:",
    113: "Crea un collegamento sul desktop.", 114: "Preparazione dell'installazione...",
    115: "Copia del file %1...", 117: "Creazione dei collegamenti...", 118: "Scrittura dei dati nel registro...",
    119: "Salvataggio dei dati di installazione...", 120: "L'installazione è completa.",
    121: "Installazione non riuscita (codice di errore %1).", 122: "Opzioni di installazione",
    123: "Cartella di installazione: %1.", 124: "Creazione di un collegamento nel menu Start (cartella %1).",
    125: "Creazione di un collegamento sul desktop.",
    126: "Per eseguire l'installazione sono necessari i diritti di amministratore su questo computer.",
    127: "Chiudere '%1' prima di continuare l'installazione.",
    129: "'%1' verrà installato nella lingua scelta, ma il programma di installazione, ancora in traduzione, verrà eseguito in inglese.",
    131: "#",
    132: "Immettere al massimo %1 caratteri.",
    133: "Immettere il percorso completo di una cartella, ad esempio C:\\Programmi\\Vantrel o \\\\server\\condivisione\\Vantrel.",
    134: "La cartella di installazione è troppo lunga per i file che vi saranno installati. Scegliere una cartella di al massimo %1 caratteri.",
    135: "La cartella del menu Start è troppo lunga per i collegamenti che vi saranno creati. Scegliere una cartella di al massimo %1 caratteri.",
    136: "Un'installazione di '%1' interrotta prima della fine è stata annullata: il computer è tornato com'era prima.",
    137: "Non è stato possibile annullare un'installazione di '%1' interrotta prima della fine:\r\n%2\r\nChiudere i programmi che usano i suoi file, poi riprovare.",
    138: "Il programma di installazione non riconosce l'opzione %1.\r\n\r\nOpzioni: %2",
}

# Only the button words of these blocks are translated.
BUTTON_WORDS = {
    "Dutch": {1: "OK", 2: "Annuleren", 4: "Afsluiten", 5: "Vorige", 6: "Volgende", 7: "Installeren", 8: "Bladeren..."},
    "Danish": {1: "OK", 2: "Annuller", 4: "Afslut", 5: "Tilbage", 6: "Næste", 7: "Installer", 8: "Gennemse..."},
    "Czech": {1: "OK", 2: "Storno", 4: "Konec", 5: "Zpět", 6: "Další", 7: "Instalovat", 8: "Procházet..."},
    "Norwegian": {1: "OK", 2: "Avbryt", 4: "Avslutt", 5: "Tilbake", 6: "Neste", 7: "Installer", 8: "Bla gjennom..."},
    "Hebrew": {1: "אישור", 2: "ביטול", 4: "יציאה", 5: "הקודם", 6: "הבא", 7: "התקן", 8: "עיון..."},
}

BLOCKS = [  # (language, block base, texts)
    ("French", 1000, FRENCH), ("English", 2000, ENGLISH), ("German", 3000, GERMAN),
    ("Spanish", 4000, SPANISH), ("Portuguese", 5000, PORTUGUESE), ("Italian", 6000, ITALIAN),
    ("Dutch", 7000, BUTTON_WORDS["Dutch"]), ("Danish", 8000, BUTTON_WORDS["Danish"]), ("Turkish", 9000, TURKISH),
    ("Chinese", 10000, {}), ("Bulgarian", 11000, {}), ("Romanian", 12000, ROMANIAN),
    ("Czech", 13000, BUTTON_WORDS["Czech"]), ("Norwegian", 14000, BUTTON_WORDS["Norwegian"]),
    ("Greek", 15000, {}), ("Polish", 16000, {}), ("Hebrew", 17000, BUTTON_WORDS["Hebrew"]),
]


def rc_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '""').replace("\r", "\\r").replace("\n", "\\n") + '"'


def main():
    lines = ["// Generated by make_strings.py: the installer's texts, one block per language.",
             "#pragma code_page(65001)", "", "LANGUAGE 0, 0", ""]
    for language, base, texts in BLOCKS:
        lines += [f"// {language}", "STRINGTABLE", "BEGIN"]
        for key in KEYS:
            lines.append(f"    {base + key} {rc_string(texts.get(key, '#'))}")
        lines += ["END", ""]
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "strings.rc"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    for name, texts in (("German", GERMAN), ("Spanish", SPANISH), ("Portuguese", PORTUGUESE),
                        ("Turkish", TURKISH), ("Romanian", ROMANIAN), ("Italian", ITALIAN), ("English", ENGLISH)):
        assert sorted(texts) == KEYS, name
    assert sorted(FRENCH) == [k for k in KEYS]
    main()
