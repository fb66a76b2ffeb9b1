// The host's dark user-interface theme, which its icon set (the "Dark" icons) is drawn for.
#pragma once

// Sets the application's style and palette to the host's dark theme; call once the Qt application exists.
void ApplyHostTheme();
