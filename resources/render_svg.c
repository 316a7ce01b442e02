/* Renders an SVG picture to a square PNG of the given size, for the icon sizes that
   desktops still look up as bitmaps. Usage: render_svg IN.svg SIZE OUT.png */
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s IN.svg SIZE OUT.png\n", argv[0]);
    return 2;
  }
  const int size = atoi(argv[2]);
  if (size <= 0 || size > 4096) {
    fprintf(stderr, "bad size: %s\n", argv[2]);
    return 2;
  }
  GError* error = NULL;
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_scale(argv[1], size, size, FALSE, &error);
  if (pixbuf == NULL || !gdk_pixbuf_save(pixbuf, argv[3], "png", &error, NULL)) {
    fprintf(stderr, "%s: %s\n", argv[1], error != NULL ? error->message : "cannot render");
    if (pixbuf != NULL) g_object_unref(pixbuf);
    g_clear_error(&error);
    return 1;
  }
  g_object_unref(pixbuf);
  return 0;
}
