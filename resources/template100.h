// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogtemplate.h"

// The help page, which is also the About box: 251 x 412 dialog units.
namespace template100 {
inline constexpr int Width = 251;
inline constexpr int Height = 412;
inline constexpr const char* Caption = "QVB-Zaradariveda - Infos";
inline constexpr int IdLogo = 100; // the picture has no id of its own; the program gives it one

using K = ControlSpec;
inline constexpr ControlSpec Controls[] = {
    {IdLogo, K::Picture, "", 44, 4, 149, 49},
    {-1, K::Static,
     "                     BESSER HÖREN MACHT SPASS!\n"
     "Mit diesem Programm trainierst Du Dein musikalisches Gehör. Klicke am Anfang ein paar Mal "
     "auf die virtuelle Tastatur im unteren Notensystem, damit Du Dich nach Gehör orientieren "
     "kannst.",
     7, 58, 237, 40},
    {-1, K::Static,
     "Wähle dann \"NEUES TRAINING\": Ein Ton erklingt, und zugleich schiebt sich von rechts "
     "ein weißer Balken über das obere Notensystem und verdeckt die richtige Note. Klickst Du "
     "sie im unteren Notensystem an",
     7, 99, 237, 26},
    {-1, K::Static,
     "oder spielst Du sie auf einem angeschlossenen MIDI-Instrument, erscheint diese Note "
     "stattdessen grün, Du bekommst einen Punkt, und der nächste Ton kommt. Wählst Du eine",
     7, 123, 237, 25},
    {-1, K::Static,
     "falsche Note, wird der Balken rot, und Dir wird ein Punkt abgezogen. Solange der Balken "
     "in der Notenzeile steht, kannst Du Deine Antwort noch verbessern. Erreicht er aber den "
     "linken Rand,",
     7, 147, 237, 25},
    {-1, K::Static,
     "ist die Runde von selbst zu Ende. Das ist weniger kompliziert, als es klingt: "
     "\"Probier es aus!\"",
     7, 171, 237, 17},
    {-1, K::Static,
     "Ziel ist es, möglichst viele Töne richtig zu hören. Mit einem der 10 besten Ergebnisse "
     "kommst Du in die Bestenliste. Aber Vorsicht: Mit der Zeit bleiben die Noten immer kürzer "
     "auf dem Bildschirm.",
     7, 188, 237, 25},
    {-1, K::Static,
     "Du kannst den Tonumfang und den Bereich (ohne oder mit Vorzeichen) einstellen; den "
     "Tonumfang zeigt Dir die Färbung der Notenzeile. Außerdem kannst Du zwischen "
     "verschiedenen Klängen wählen,",
     7, 212, 237, 25},
    {-1, K::Static,
     "und mit einem Häkchen bei \"Nur üben\" wird die richtige Note nicht verdeckt. In diesem "
     "Modus kannst Du aber nicht in die Bestenliste kommen.",
     7, 236, 237, 26},
    {-1, K::Static,
     "Ohne Maus: Mit der Tabulatortaste kommst Du zum unteren Notensystem, nach \"NEUES "
     "TRAINING\" mit der Leertaste von selbst. Dort antworten die Tasten c, d, e, f, g, a, h "
     "und b, mit der Umschalttaste einen Halbton höher (cis, dis, fis, gis, b). 1 bis 4 wählen "
     "die Oktave, die Pfeiltasten bewegen den gelben Rahmen, Enter antwortet mit seiner Note, "
     "r wiederholt den Ton.",
     7, 262, 237, 41},
    {-1, K::Static,
     "Um das Programm vollständig zu entfernen, lösche einfach die Programmdatei "
     "\"QVB-Vevivivodarav\" (oder sein Paket) und die Dateien \"dataGehoer.qvb\" und "
     "\"dataGehoer.sqlite\" (in den \"Papierkorb\").",
     7, 307, 237, 25},
    {-1, K::Static,
     "Das Programm ist kostenlos und wurde für die Schülerinnen und Schüler einer Musikschule "
     "geschrieben.\n\nViel Spaß!",
     7, 337, 237, 33},
    {-1, K::Static,
     "Kommentare und Anregungen sind willkommen. Schreib sie in den Issue-Tracker des Projekts.",
     7, 375, 151, 18},
    {1, K::DefPushButton, "OK", 174, 372, 50, 14},
};
} // namespace template100
