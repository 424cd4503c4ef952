<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Accessibility</name>
    <message>
        <source>Mode</source>
        <translation>Modus</translation>
    </message>
    <message>
        <source>Convert one photo, or all the photos of a folder at once.</source>
        <translation>Ein Foto umwandeln oder alle Fotos eines Ordners auf einmal.</translation>
    </message>
    <message>
        <source>Source photo</source>
        <translation>Quellfoto</translation>
    </message>
    <message>
        <source>The loaded photo. Press Enter or Space to choose another one.</source>
        <translation>Das geladene Foto. Eingabe oder Leertaste wählt ein anderes.</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>Ergebnis exportieren</translation>
    </message>
    <message>
        <source>Saves the photo with its reflection to a file.</source>
        <translation>Speichert das Foto mit seiner Spiegelung in eine Datei.</translation>
    </message>
    <message>
        <source>Source folder</source>
        <translation>Quellordner</translation>
    </message>
    <message>
        <source>The folder whose photos are converted. Press Enter or Space to choose it.</source>
        <translation>Der Ordner, dessen Fotos umgewandelt werden. Eingabe oder Leertaste wählt ihn.</translation>
    </message>
    <message>
        <source>Target folder</source>
        <translation>Zielordner</translation>
    </message>
    <message>
        <source>The folder the converted photos are written to. Press Enter or Space to choose it.</source>
        <translation>Der Ordner, in den die umgewandelten Fotos geschrieben werden. Eingabe oder Leertaste wählt ihn.</translation>
    </message>
    <message>
        <source>Convert all</source>
        <translation>Alle umwandeln</translation>
    </message>
    <message>
        <source>Adds the reflection to every photo of the source folder.</source>
        <translation>Fügt jedem Foto des Quellordners die Spiegelung hinzu.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>How many photos of the folder are converted.</source>
        <translation>Wie viele Fotos des Ordners umgewandelt sind.</translation>
    </message>
    <message>
        <source>Reflection above</source>
        <translation>Spiegelung oben</translation>
    </message>
    <message>
        <source>Mirrors the photo at its top edge.</source>
        <translation>Spiegelt das Foto an seinem oberen Rand.</translation>
    </message>
    <message>
        <source>Reflection on the left</source>
        <translation>Spiegelung links</translation>
    </message>
    <message>
        <source>Mirrors the photo at its left edge.</source>
        <translation>Spiegelt das Foto an seinem linken Rand.</translation>
    </message>
    <message>
        <source>Reflection on the right</source>
        <translation>Spiegelung rechts</translation>
    </message>
    <message>
        <source>Mirrors the photo at its right edge.</source>
        <translation>Spiegelt das Foto an seinem rechten Rand.</translation>
    </message>
    <message>
        <source>Reflection below</source>
        <translation>Spiegelung unten</translation>
    </message>
    <message>
        <source>Mirrors the photo at its bottom edge.</source>
        <translation>Spiegelt das Foto an seinem unteren Rand.</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>How long the reflection is, in percent of the photo.</source>
        <translation>Wie lang die Spiegelung ist, in Prozent des Fotos.</translation>
    </message>
    <message>
        <source>Size in percent</source>
        <translation>Größe in Prozent</translation>
    </message>
    <message>
        <source>How long the reflection is, from 0 to 100 percent.</source>
        <translation>Wie lang die Spiegelung ist, von 0 bis 100 Prozent.</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Tiefe</translation>
    </message>
    <message>
        <source>How strongly the reflection shows where it begins.</source>
        <translation>Wie deutlich die Spiegelung an ihrem Anfang zu sehen ist.</translation>
    </message>
    <message>
        <source>Depth in percent</source>
        <translation>Tiefe in Prozent</translation>
    </message>
    <message>
        <source>How strongly the reflection shows, from 0 to 100 percent.</source>
        <translation>Wie deutlich die Spiegelung zu sehen ist, von 0 bis 100 Prozent.</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Abstand</translation>
    </message>
    <message>
        <source>The gap between the photo and its reflection.</source>
        <translation>Der Abstand zwischen dem Foto und seiner Spiegelung.</translation>
    </message>
    <message>
        <source>Interval in percent</source>
        <translation>Abstand in Prozent</translation>
    </message>
    <message>
        <source>The gap between the photo and its reflection, from -80 to 100 percent.</source>
        <translation>Der Abstand zwischen dem Foto und seiner Spiegelung, von -80 bis 100 Prozent.</translation>
    </message>
    <message>
        <source>Transparent background</source>
        <translation>Transparenter Hintergrund</translation>
    </message>
    <message>
        <source>The reflection fades into transparency instead of a colour.</source>
        <translation>Die Spiegelung verläuft ins Transparente statt in eine Farbe.</translation>
    </message>
    <message>
        <source>Background colour</source>
        <translation>Hintergrundfarbe</translation>
    </message>
    <message>
        <source>The colour the reflection fades into. Press Enter or Space to choose it.</source>
        <translation>Die Farbe, in die die Spiegelung verläuft. Eingabe oder Leertaste wählt sie.</translation>
    </message>
    <message>
        <source>Choose colour</source>
        <translation>Farbe wählen</translation>
    </message>
    <message>
        <source>Opens the colour chooser for the background colour.</source>
        <translation>Öffnet die Farbauswahl für die Hintergrundfarbe.</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>The photo with its reflection as it will be exported.</source>
        <translation>Das Foto mit seiner Spiegelung, wie es exportiert wird.</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Shows the whole picture in the preview.</source>
        <translation>Zeigt das ganze Bild in der Vorschau.</translation>
    </message>
    <message>
        <source>Actual size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Shows the picture one pixel to one screen pixel.</source>
        <translation>Zeigt jedes Bildpixel als ein Bildschirmpixel.</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Makes the preview larger.</source>
        <translation>Vergrößert die Vorschau.</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Makes the preview smaller.</source>
        <translation>Verkleinert die Vorschau.</translation>
    </message>
    <message>
        <source>About Glassmere</source>
        <translation>Über Glassmere</translation>
    </message>
    <message>
        <source>Shows the version and the rights holder.</source>
        <translation>Zeigt die Version und den Rechteinhaber.</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Opens the menu with the manual, the web site and About.</source>
        <translation>Öffnet das Menü mit Handbuch, Website und Über.</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Minimizes the window.</source>
        <translation>Minimiert das Fenster.</translation>
    </message>
    <message>
        <source>Maximize or restore</source>
        <translation>Maximieren oder wiederherstellen</translation>
    </message>
    <message>
        <source>Fills the screen with the window, or gives it back its size.</source>
        <translation>Füllt den Bildschirm mit dem Fenster oder gibt ihm seine Größe zurück.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Closes Glassmere.</source>
        <translation>Beendet Glassmere.</translation>
    </message>
    <message>
        <source>Adds a mirror reflection to a photo.</source>
        <translation>Fügt einem Foto eine Spiegelung hinzu.</translation>
    </message>
    <message>
        <source>Opacity</source>
        <translation>Deckkraft</translation>
    </message>
    <message>
        <source>How strong the reflection is next to the photo.</source>
        <translation>Wie kräftig die Spiegelung direkt am Foto ist.</translation>
    </message>
    <message>
        <source>Opacity in percent</source>
        <translation>Deckkraft in Prozent</translation>
    </message>
    <message>
        <source>How strong the reflection is next to the photo, from 0 to 100 percent.</source>
        <translation>Wie kräftig die Spiegelung direkt am Foto ist, von 0 bis 100 Prozent.</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Unschärfe</translation>
    </message>
    <message>
        <source>How much the reflection blurs with the distance from the photo.</source>
        <translation>Wie stark die Spiegelung mit dem Abstand zum Foto verschwimmt.</translation>
    </message>
    <message>
        <source>Blur in percent</source>
        <translation>Unschärfe in Prozent</translation>
    </message>
    <message>
        <source>How much the reflection blurs with the distance from the photo, from 0 to 100 percent.</source>
        <translation>Wie stark die Spiegelung mit dem Abstand zum Foto verschwimmt, von 0 bis 100 Prozent.</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Converts the photos of the folders below the source folder too, keeping their tree in the target folder.</source>
        <translation>Wandelt auch die Fotos der Ordner unterhalb des Quellordners um und behält ihre Ordnerstruktur im Zielordner bei.</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Vorlage</translation>
    </message>
    <message>
        <source>Choosing a stored preset sets all the reflection settings at once.</source>
        <translation>Eine gespeicherte Vorlage setzt alle Spiegelungseinstellungen auf einmal.</translation>
    </message>
    <message>
        <source>Save preset</source>
        <translation>Vorlage speichern</translation>
    </message>
    <message>
        <source>Stores the reflection settings under a name.</source>
        <translation>Speichert die Spiegelungseinstellungen unter einem Namen.</translation>
    </message>
    <message>
        <source>Delete preset</source>
        <translation>Vorlage löschen</translation>
    </message>
    <message>
        <source>Deletes the chosen preset.</source>
        <translation>Löscht die gewählte Vorlage.</translation>
    </message>
    <message>
        <source>Show the original</source>
        <translation>Original zeigen</translation>
    </message>
    <message>
        <source>While pressed, the preview shows the photo without its reflection. Holding the backslash key does the same.</source>
        <translation>Solange die Schaltfläche gedrückt ist, zeigt die Vorschau das Foto ohne Spiegelung. Die gedrückt gehaltene Backslash-Taste bewirkt dasselbe.</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>The width in pixels the converted photos are scaled down to, or their full size.</source>
        <translation>Die Breite in Pixeln, auf die die umgewandelten Fotos verkleinert werden, oder ihre volle Größe.</translation>
    </message>
    <message>
        <source>The quality of JPEG, WebP and AVIF outputs. Its lowest step, 0, reads &quot;default&quot; and leaves the quality to the writer; 1 to 100 set it.</source>
        <translation>Die Qualität von JPEG-, WebP- und AVIF-Ausgaben. Die unterste Stufe, 0, lautet „Standard“ und überlässt die Qualität dem Schreiber; 1 bis 100 legen sie fest.</translation>
    </message>
    <message>
        <source>Batch status</source>
        <translation>Stand der Stapelverarbeitung</translation>
    </message>
    <message>
        <source>How far the conversion is, and the photo being converted.</source>
        <translation>Wie weit die Umwandlung ist, und welches Foto gerade umgewandelt wird.</translation>
    </message>
</context>
<context>
    <name>ClipboardPicture</name>
    <message>
        <source>the clipboard holds no picture</source>
        <translation>die Zwischenablage enthält kein Bild</translation>
    </message>
</context>
<context>
    <name>DlgLoading</name>
    <message>
        <source>Working</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <source>The window takes input again when this is done.</source>
        <translation>Das Fenster nimmt wieder Eingaben an, sobald dies fertig ist.</translation>
    </message>
</context>
<context>
    <name>Glassmere</name>
    <message>
        <source>Common Formats</source>
        <translation>Gängige Formate</translation>
    </message>
    <message>
        <source>Load a photo</source>
        <translation>Foto laden</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Photo loads error.</source>
        <translation>Das Foto konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>Export Reflection Phone</source>
        <translation>Spiegelungsfoto exportieren</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Erfolg</translation>
    </message>
    <message>
        <source>Reflection photo has been exported.</source>
        <translation>Das Spiegelungsfoto wurde exportiert.</translation>
    </message>
    <message>
        <source>Failed to export reflection photo.</source>
        <translation>Das Spiegelungsfoto konnte nicht exportiert werden.</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>The help manual is missing: %1</source>
        <translation>Das Handbuch fehlt: %1</translation>
    </message>
    <message>
        <source>Not enough memory to render the reflection photo.</source>
        <translation>Nicht genug Speicher, um das Spiegelungsfoto zu berechnen.</translation>
    </message>
    <message>
        <source>Select a photo where the folder</source>
        <translation>Ordner mit den Fotos wählen</translation>
    </message>
    <message>
        <source>Select a folder to save processing results.</source>
        <translation>Ordner für die Ergebnisse wählen.</translation>
    </message>
    <message>
        <source>Selected directory error.</source>
        <translation>Der gewählte Ordner ist fehlerhaft.</translation>
    </message>
    <message>
        <source>The target directory is the source directory. The source pictures are never written over: choose another target directory.</source>
        <translation>Der Zielordner ist der Quellordner. Die Quellbilder werden nie überschrieben: Wählen Sie einen anderen Zielordner.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; would replace the source picture &quot;%2&quot;. The source pictures are never written over: choose another target directory.</source>
        <translation>„%1“ würde das Quellbild „%2“ ersetzen. Die Quellbilder werden nie überschrieben: Wählen Sie einen anderen Zielordner.</translation>
    </message>
    <message>
        <source>%1: cannot be read (%2)</source>
        <translation>%1: kann nicht gelesen werden (%2)</translation>
    </message>
    <message>
        <source>%1: cannot be rendered (%2)</source>
        <translation>%1: kann nicht berechnet werden (%2)</translation>
    </message>
    <message>
        <source>%1: %2 cannot be written (%3)</source>
        <translation>%1: %2 kann nicht geschrieben werden (%3)</translation>
    </message>
    <message>
        <source>%1 of %2 pictures could not be converted:</source>
        <translation>%1 von %2 Bildern konnten nicht umgewandelt werden:</translation>
    </message>
    <message>
        <source>and %1 more.</source>
        <translation>und %1 weitere.</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>Ergebnis exportieren</translation>
    </message>
    <message>
        <source>Load a photo first.</source>
        <translation>Laden Sie zuerst ein Foto.</translation>
    </message>
    <message>
        <source>%1: only %2 keep the transparency; choose one of them.</source>
        <translation>%1: Nur %2 behalten die Transparenz; wählen Sie eines davon.</translation>
    </message>
    <message>
        <source>%1 is the loaded photo; the source photo is never written over.</source>
        <translation>%1 ist das geladene Foto; das Ausgangsfoto wird nie überschrieben.</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Wird angehalten …</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 pictures; the other %3 were not converted.</source>
        <translation>Nach %1 von %2 Bildern angehalten; die übrigen %3 wurden nicht umgewandelt.</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Converted %1 of %2 pictures into %3, then stopped; the other %4 were not converted.</source>
        <translation>%1 von %2 Bildern nach %3 umgewandelt, dann angehalten; die übrigen %4 wurden nicht umgewandelt.</translation>
    </message>
    <message>
        <source>Converted 1 picture into %1.</source>
        <translation>1 Bild nach %1 umgewandelt.</translation>
    </message>
    <message>
        <source>Converted %1 pictures into %2.</source>
        <translation>%1 Bilder nach %2 umgewandelt.</translation>
    </message>
    <message numerus="yes">
        <source>%n dropped photos</source>
        <translation>
            <numerusform>%n abgelegtes Foto</numerusform>
            <numerusform>%n abgelegte Fotos</numerusform>
        </translation>
    </message>
    <message>
        <source>default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>JPEG, WebP and AVIF: a higher quality keeps more detail in a larger file; &quot;default&quot; is the writer&apos;s own.</source>
        <translation>JPEG, WebP und AVIF: Eine höhere Qualität behält mehr Details in einer größeren Datei; „Standard“ ist die Vorgabe des Schreibers.</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>&amp;Qualität:</translation>
    </message>
    <message>
        <source>Leave out the photo &amp;information (camera, date, place, colour profile)</source>
        <translation>Foto&amp;informationen weglassen (Kamera, Datum, Ort, Farbprofil)</translation>
    </message>
    <message>
        <source>The target directory lies inside the source directory. With subfolders included, choose a target directory outside it.</source>
        <translation>Der Zielordner liegt im Quellordner. Wenn Unterordner einbezogen werden, wählen Sie einen Zielordner außerhalb davon.</translation>
    </message>
    <message>
        <source>Copy Result</source>
        <translation>Ergebnis kopieren</translation>
    </message>
    <message>
        <source>full size</source>
        <translation>volle Größe</translation>
    </message>
    <message>
        <source> px</source>
        <translation> px</translation>
    </message>
    <message>
        <source>Scale the result down to this width in pixels, keeping its shape; never up. &quot;full size&quot; keeps the size.</source>
        <translation>Das Ergebnis auf diese Breite in Pixeln verkleinern, mit gleichem Seitenverhältnis; nie vergrößern. „volle Größe“ behält die Größe.</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>Saving the photo</source>
        <translation>Das Foto wird gespeichert</translation>
    </message>
    <message>
        <source>Rendering the reflection</source>
        <translation>Die Spiegelung wird berechnet</translation>
    </message>
    <message>
        <source>%1 of %2 converted; now %3</source>
        <translation>%1 von %2 umgewandelt; jetzt %3</translation>
    </message>
    <message>
        <source>Pasted picture</source>
        <translation>Eingefügtes Bild</translation>
    </message>
</context>
<context>
    <name>GlassmereClass</name>
    <message>
        <source>Glassmere</source>
        <translation>Glassmere</translation>
    </message>
    <message>
        <source>one-by-one</source>
        <translation>einzeln</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>Ergebnis exportieren</translation>
    </message>
    <message>
        <source>all-at-once</source>
        <translation>alle auf einmal</translation>
    </message>
    <message>
        <source>Source Directory</source>
        <translation>Quellordner</translation>
    </message>
    <message>
        <source>Target Directory</source>
        <translation>Zielordner</translation>
    </message>
    <message>
        <source>batch processing</source>
        <translation>Stapelverarbeitung</translation>
    </message>
    <message>
        <source>Reflection Setting</source>
        <translation>Spiegelung</translation>
    </message>
    <message>
        <source>Direction:</source>
        <translation>Richtung:</translation>
    </message>
    <message>
        <source>Top Reflection</source>
        <translation>Spiegelung oben</translation>
    </message>
    <message>
        <source>Left Reflection</source>
        <translation>Spiegelung links</translation>
    </message>
    <message>
        <source>Right Reflection</source>
        <translation>Spiegelung rechts</translation>
    </message>
    <message>
        <source>Bottom Reflection</source>
        <translation>Spiegelung unten</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Depth:</source>
        <translation>Tiefe:</translation>
    </message>
    <message>
        <source>Color:</source>
        <translation>Farbe:</translation>
    </message>
    <message>
        <source>Transparence</source>
        <translation>Transparenz</translation>
    </message>
    <message>
        <source>Set reflection color.</source>
        <translation>Farbe der Spiegelung wählen.</translation>
    </message>
    <message>
        <source>Help Manual</source>
        <translation>Handbuch</translation>
    </message>
    <message>
        <source>&amp;Check for New Version</source>
        <translation>Nach neuer &amp;Version suchen</translation>
    </message>
    <message>
        <source>&amp;Visit Our Web Site</source>
        <translation>&amp;Website besuchen</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Stop after the pictures being converted now</source>
        <translation>Nach den gerade umgewandelten Bildern anhalten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>&amp;Qualität:</translation>
    </message>
    <message>
        <source>JPEG, WebP and AVIF: a higher quality keeps more detail in a larger file; &quot;default&quot; is the writer&apos;s own.</source>
        <translation>JPEG, WebP und AVIF: Eine höhere Qualität behält mehr Details in einer größeren Datei; „Standard“ ist die Vorgabe des Schreibers.</translation>
    </message>
    <message>
        <source>default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Convert the pictures of every folder below the source directory too, each into the same subfolder of the target directory</source>
        <translation>Auch die Bilder aller Ordner unterhalb des Quellordners umwandeln, jeweils in denselben Unterordner des Zielordners</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Preset:</source>
        <translation>Vorlage:</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>Speichern...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>Scale each result down to this width in pixels, keeping its shape; never up. &quot;full size&quot; keeps the size.</source>
        <translation>Jedes Ergebnis auf diese Breite in Pixeln verkleinern, mit gleichem Seitenverhältnis; nie vergrößern. „volle Größe“ behält die Größe.</translation>
    </message>
    <message>
        <source>full size</source>
        <translation>volle Größe</translation>
    </message>
    <message>
        <source> px</source>
        <translation> px</translation>
    </message>
    <message>
        <source>Convert the loaded photo, with a live preview of its reflection.</source>
        <translation>Das geladene Foto umwandeln, mit einer Live-Vorschau seiner Spiegelung.</translation>
    </message>
    <message>
        <source>Convert every photo of a folder at once with the same settings.</source>
        <translation>Alle Fotos eines Ordners auf einmal mit denselben Einstellungen umwandeln.</translation>
    </message>
    <message>
        <source>Interval:</source>
        <translation>Abstand:</translation>
    </message>
    <message>
        <source>Opacity:</source>
        <translation>Deckkraft:</translation>
    </message>
    <message>
        <source>Blur:</source>
        <translation>Unschärfe:</translation>
    </message>
    <message>
        <source>Show the original photo (or hold the \ key)</source>
        <translation>Das Originalfoto zeigen (oder die Taste \ gedrückt halten)</translation>
    </message>
</context>
<context>
    <name>PresetPanel</name>
    <message>
        <source>Choose a preset</source>
        <translation>Vorlage wählen</translation>
    </message>
    <message>
        <source>The preset &quot;%1&quot; cannot be used.</source>
        <translation>Die Vorlage „%1“ kann nicht verwendet werden.</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>Vorlage speichern</translation>
    </message>
    <message>
        <source>Name of the preset:</source>
        <translation>Name der Vorlage:</translation>
    </message>
    <message>
        <source>The preset cannot be saved.</source>
        <translation>Die Vorlage kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>A preset named &quot;%1&quot; exists already. Replace it?</source>
        <translation>Eine Vorlage „%1“ gibt es schon. Ersetzen?</translation>
    </message>
    <message>
        <source>Delete Preset</source>
        <translation>Vorlage löschen</translation>
    </message>
    <message>
        <source>Delete the preset &quot;%1&quot;?</source>
        <translation>Die Vorlage „%1“ löschen?</translation>
    </message>
    <message>
        <source>The preset &quot;%1&quot; cannot be deleted.</source>
        <translation>Die Vorlage „%1“ kann nicht gelöscht werden.</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source>Email:</source>
        <translation>E-Mail:</translation>
    </message>
</context>
<context>
    <name>aboutClass</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
