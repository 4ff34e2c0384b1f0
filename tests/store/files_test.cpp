// The mount of the working folder: shares that keep byte-range locks on the workstation are told.
#include "store/files.h"

#include <gtest/gtest.h>

using namespace arv::store;

namespace {

const std::string kRoot = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n";

std::string mount(const std::string& point, const std::string& type, const std::string& superOptions)
{
    return "40 22 0:52 / " + point + " rw,relatime shared:7 - " + type + " server:/dati " + superOptions + "\n";
}

} // namespace

TEST(MountCheck, SharesThatKeepLocksOnTheWorkstationAreNamed)
{
    const std::string cifs = "rw,vers=3.1.1,cache=strict,username=agenzia,uid=0,noforceuid,gid=0,noforcegid,"
                             "addr=192.0.2.10,file_mode=0755,dir_mode=0755,soft,nounix,serverino,mapposix,";
    const std::string nfs4 = "rw,vers=4.2,rsize=1048576,wsize=1048576,namlen=255,hard,proto=tcp,timeo=600,retrans=2,"
                             "sec=sys,clientaddr=192.0.2.20,";
    struct Case {
        std::string mountinfo;
        std::string folder;
        std::string option;
    } cases[] = {
        {kRoot + mount("/srv/agenzia", "cifs", cifs + "nobrl,rsize=4194304,wsize=4194304,actimeo=1"), "/srv/agenzia/dati",
         "nobrl"},
        {kRoot + mount("/srv/agenzia", "cifs", cifs + "rsize=4194304,wsize=4194304,actimeo=1"), "/srv/agenzia/dati", ""},
        {kRoot + mount("/srv/agenzia", "nfs4", nfs4 + "local_lock=none,addr=192.0.2.10"), "/srv/agenzia", ""},
        {kRoot + mount("/srv/agenzia", "nfs4", nfs4 + "local_lock=all,addr=192.0.2.10"), "/srv/agenzia", "local_lock=all"},
        {kRoot + mount("/srv/agenzia", "nfs4", nfs4 + "local_lock=posix,addr=192.0.2.10"), "/srv/agenzia", "local_lock=posix"},
        {kRoot + mount("/srv/agenzia", "nfs", "rw,vers=3,hard,nolock,proto=tcp,local_lock=all,addr=192.0.2.10"),
         "/srv/agenzia/x", "nolock"},
        {kRoot + mount("/home", "ext4", "rw"), "/home/agenzia", ""},
        {kRoot + mount("/mnt/remoto", "fuse.sshfs", "rw,user_id=0,group_id=0"), "/mnt/remoto", ""},
        // Not under the share: a folder whose name only begins like its mount point.
        {kRoot + mount("/srv/agenzia", "cifs", cifs + "nobrl"), "/srv/agenzia2", ""},
        // A blank in the mount point, written \040 by the kernel.
        {kRoot + mount("/srv/la\\040agenzia", "cifs", cifs + "nobrl"), "/srv/la agenzia", "nobrl"},
        // A local disk mounted inside the share is what the folder lies on.
        {kRoot + mount("/srv/agenzia", "cifs", cifs + "nobrl") + mount("/srv/agenzia/locale", "ext4", "rw"),
         "/srv/agenzia/locale/dati", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(localLockOption(c.mountinfo, c.folder), c.option) << c.mountinfo << c.folder;
}

TEST(MountCheck, WarningNamesTheOptionAndLetsTheUserGoOn)
{
    EXPECT_EQ(lockMountWarning("/srv/agenzia", kRoot + mount("/srv/agenzia", "nfs4", "rw,local_lock=none")), "");
    EXPECT_EQ(lockMountWarning("/srv/agenzia", kRoot + mount("/srv/agenzia", "nfs4", "rw,local_lock=all")),
              "La cartella di lavoro /srv/agenzia è su una condivisione di rete montata con l'opzione "
              "\"local_lock=all\": i blocchi dei record non arrivano al server, e più postazioni che lavorano "
              "insieme possono danneggiare archivi e indici senza alcun avviso.;Per lavorare da più postazioni "
              "rimontare la condivisione senza \"local_lock=all\". Da una sola postazione si può proseguire.;;"
              "Proseguire?");
    // This machine's own working folders are on local disks.
    EXPECT_EQ(lockMountWarning(::testing::TempDir()), "");
}
