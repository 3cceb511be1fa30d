/* Prints each title of a DVD-Video folder as libdvdread reads it, one line a
   title: "title VTS PGC SECONDS CHAPTERS", then one line a cell:
   "cell FIRST LAST SECONDS". The tests compare it with the program's reader. */
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <stdio.h>

static double Seconds(const dvd_time_t* t)
{
    double rate = ((t->frame_u & 0xC0) >> 6) == 1 ? 25.0 : 30000.0 / 1001.0;
    int bcd_frames = t->frame_u & 0x3F;
#define BCD(x) ((((x) >> 4) & 0x0F) * 10 + ((x) & 0x0F))
    return BCD(t->hour) * 3600.0 + BCD(t->minute) * 60.0 + BCD(t->second) + BCD(bcd_frames) / rate;
}

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    dvd_reader_t* dvd = DVDOpen(argv[1]);
    if (!dvd) return 1;
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    if (!vmg) return 1;
    for (int t = 0; t < vmg->tt_srpt->nr_of_srpts; ++t) {
        const title_info_t* title = &vmg->tt_srpt->title[t];
        ifo_handle_t* vts = ifoOpen(dvd, title->title_set_nr);
        if (!vts) return 1;
        int pgcn = vts->vts_ptt_srpt->title[title->vts_ttn - 1].ptt[0].pgcn;
        const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
        printf("title %d %d %.6f %d\n", title->title_set_nr, pgcn, Seconds(&pgc->playback_time), pgc->nr_of_programs);
        for (int c = 0; c < pgc->nr_of_cells; ++c)
            printf("cell %u %u %.6f\n", pgc->cell_playback[c].first_sector, pgc->cell_playback[c].last_sector,
                   Seconds(&pgc->cell_playback[c].playback_time));
        ifoClose(vts);
    }
    ifoClose(vmg);
    DVDClose(dvd);
    return 0;
}
