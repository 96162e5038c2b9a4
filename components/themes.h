#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// The program's looks: named themes, each a Qt style drawn with a palette of its own, and where the
// palette alone cannot do it, a short style sheet. Main thread only.
namespace plat {

// The registered themes' names, "Default" (the desktop's own style and palette, as found at the first
// call) first.
QStringList ThemeNames();
inline const QString DefaultThemeName = QStringLiteral("Default");

// Makes the application use the named theme (letter case ignored); an unknown name gives "Default".
// Returns the name of the theme now in use.
QString UseTheme(const QString& name);
QString CurrentTheme();

// A signal colour (an error's red, a success's blue) as it reads on the given ground: kept on a light
// ground, lightened on a dark one.
QColor ReadableOn(const QColor& colour, const QColor& ground);

// With visual styles off, every theme keeps its colours but draws its controls in the plain classic
// style.
void SetVisualStyles(bool on);
bool VisualStyles();

} // namespace plat
