<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Accessibility</name>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>Convert one photo, or all the photos of a folder at once.</source>
        <translation>转换一张照片，或一次转换一个文件夹中的所有照片。</translation>
    </message>
    <message>
        <source>Source photo</source>
        <translation>源照片</translation>
    </message>
    <message>
        <source>The loaded photo. Press Enter or Space to choose another one.</source>
        <translation>已载入的照片。按回车键或空格键选择另一张。</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>导出结果</translation>
    </message>
    <message>
        <source>Saves the photo with its reflection to a file.</source>
        <translation>将带倒影的照片保存到文件。</translation>
    </message>
    <message>
        <source>Source folder</source>
        <translation>源文件夹</translation>
    </message>
    <message>
        <source>The folder whose photos are converted. Press Enter or Space to choose it.</source>
        <translation>要转换其中照片的文件夹。按回车键或空格键选择。</translation>
    </message>
    <message>
        <source>Target folder</source>
        <translation>目标文件夹</translation>
    </message>
    <message>
        <source>The folder the converted photos are written to. Press Enter or Space to choose it.</source>
        <translation>保存转换后照片的文件夹。按回车键或空格键选择。</translation>
    </message>
    <message>
        <source>Convert all</source>
        <translation>全部转换</translation>
    </message>
    <message>
        <source>Adds the reflection to every photo of the source folder.</source>
        <translation>为源文件夹中的每张照片添加倒影。</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>How many photos of the folder are converted.</source>
        <translation>文件夹中已转换的照片数量。</translation>
    </message>
    <message>
        <source>Reflection above</source>
        <translation>上方倒影</translation>
    </message>
    <message>
        <source>Mirrors the photo at its top edge.</source>
        <translation>沿照片上边缘镜像。</translation>
    </message>
    <message>
        <source>Reflection on the left</source>
        <translation>左侧倒影</translation>
    </message>
    <message>
        <source>Mirrors the photo at its left edge.</source>
        <translation>沿照片左边缘镜像。</translation>
    </message>
    <message>
        <source>Reflection on the right</source>
        <translation>右侧倒影</translation>
    </message>
    <message>
        <source>Mirrors the photo at its right edge.</source>
        <translation>沿照片右边缘镜像。</translation>
    </message>
    <message>
        <source>Reflection below</source>
        <translation>下方倒影</translation>
    </message>
    <message>
        <source>Mirrors the photo at its bottom edge.</source>
        <translation>沿照片下边缘镜像。</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>How long the reflection is, in percent of the photo.</source>
        <translation>倒影的长度，占照片的百分比。</translation>
    </message>
    <message>
        <source>Size in percent</source>
        <translation>大小（百分比）</translation>
    </message>
    <message>
        <source>How long the reflection is, from 0 to 100 percent.</source>
        <translation>倒影的长度，从 0 到 100%。</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>深度</translation>
    </message>
    <message>
        <source>How strongly the reflection shows where it begins.</source>
        <translation>倒影起始处的清晰程度。</translation>
    </message>
    <message>
        <source>Depth in percent</source>
        <translation>深度（百分比）</translation>
    </message>
    <message>
        <source>How strongly the reflection shows, from 0 to 100 percent.</source>
        <translation>倒影的清晰程度，从 0 到 100%。</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>间距</translation>
    </message>
    <message>
        <source>The gap between the photo and its reflection.</source>
        <translation>照片与倒影之间的间隔。</translation>
    </message>
    <message>
        <source>Interval in percent</source>
        <translation>间距（百分比）</translation>
    </message>
    <message>
        <source>The gap between the photo and its reflection, from -80 to 100 percent.</source>
        <translation>照片与倒影之间的间隔，从 -80 到 100%。</translation>
    </message>
    <message>
        <source>Transparent background</source>
        <translation>透明背景</translation>
    </message>
    <message>
        <source>The reflection fades into transparency instead of a colour.</source>
        <translation>倒影渐隐为透明，而不是某种颜色。</translation>
    </message>
    <message>
        <source>Background colour</source>
        <translation>背景颜色</translation>
    </message>
    <message>
        <source>The colour the reflection fades into. Press Enter or Space to choose it.</source>
        <translation>倒影渐隐到的颜色。按回车键或空格键选择。</translation>
    </message>
    <message>
        <source>Choose colour</source>
        <translation>选择颜色</translation>
    </message>
    <message>
        <source>Opens the colour chooser for the background colour.</source>
        <translation>打开背景颜色的颜色选择器。</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>预览</translation>
    </message>
    <message>
        <source>The photo with its reflection as it will be exported.</source>
        <translation>带倒影的照片，与导出效果一致。</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>适应窗口</translation>
    </message>
    <message>
        <source>Shows the whole picture in the preview.</source>
        <translation>在预览中显示整张图片。</translation>
    </message>
    <message>
        <source>Actual size</source>
        <translation>实际大小</translation>
    </message>
    <message>
        <source>Shows the picture one pixel to one screen pixel.</source>
        <translation>按一个图像像素对应一个屏幕像素显示。</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>放大</translation>
    </message>
    <message>
        <source>Makes the preview larger.</source>
        <translation>放大预览。</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>缩小</translation>
    </message>
    <message>
        <source>Makes the preview smaller.</source>
        <translation>缩小预览。</translation>
    </message>
    <message>
        <source>About Glassmere</source>
        <translation>关于 Glassmere</translation>
    </message>
    <message>
        <source>Shows the version and the rights holder.</source>
        <translation>显示版本和权利人。</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Opens the menu with the manual, the web site and About.</source>
        <translation>打开包含手册、网站和“关于”的菜单。</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Minimizes the window.</source>
        <translation>最小化窗口。</translation>
    </message>
    <message>
        <source>Maximize or restore</source>
        <translation>最大化或还原</translation>
    </message>
    <message>
        <source>Fills the screen with the window, or gives it back its size.</source>
        <translation>让窗口占满屏幕，或恢复其原来的大小。</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Closes Glassmere.</source>
        <translation>关闭 Glassmere。</translation>
    </message>
    <message>
        <source>Adds a mirror reflection to a photo.</source>
        <translation>为照片添加镜面倒影。</translation>
    </message>
    <message>
        <source>Opacity</source>
        <translation>不透明度</translation>
    </message>
    <message>
        <source>How strong the reflection is next to the photo.</source>
        <translation>倒影在照片旁边的强度。</translation>
    </message>
    <message>
        <source>Opacity in percent</source>
        <translation>不透明度（百分比）</translation>
    </message>
    <message>
        <source>How strong the reflection is next to the photo, from 0 to 100 percent.</source>
        <translation>倒影在照片旁边的强度，从 0 到 100%。</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>模糊</translation>
    </message>
    <message>
        <source>How much the reflection blurs with the distance from the photo.</source>
        <translation>倒影随着与照片距离增加而模糊的程度。</translation>
    </message>
    <message>
        <source>Blur in percent</source>
        <translation>模糊（百分比）</translation>
    </message>
    <message>
        <source>How much the reflection blurs with the distance from the photo, from 0 to 100 percent.</source>
        <translation>倒影随着与照片距离增加而模糊的程度，从 0 到 100%。</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>质量</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>包含子文件夹</translation>
    </message>
    <message>
        <source>Converts the photos of the folders below the source folder too, keeping their tree in the target folder.</source>
        <translation>同时转换源文件夹下各子文件夹中的照片，并在目标文件夹中保留其目录结构。</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Choosing a stored preset sets all the reflection settings at once.</source>
        <translation>选择一个已保存的预设会一次设置全部倒影参数。</translation>
    </message>
    <message>
        <source>Save preset</source>
        <translation>保存预设</translation>
    </message>
    <message>
        <source>Stores the reflection settings under a name.</source>
        <translation>以一个名称保存倒影参数。</translation>
    </message>
    <message>
        <source>Delete preset</source>
        <translation>删除预设</translation>
    </message>
    <message>
        <source>Deletes the chosen preset.</source>
        <translation>删除所选的预设。</translation>
    </message>
    <message>
        <source>Show the original</source>
        <translation>显示原图</translation>
    </message>
    <message>
        <source>While pressed, the preview shows the photo without its reflection. Holding the backslash key does the same.</source>
        <translation>按下时，预览显示不带倒影的照片。按住反斜杠键（\）效果相同。</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>宽度</translation>
    </message>
    <message>
        <source>The width in pixels the converted photos are scaled down to, or their full size.</source>
        <translation>转换后的照片缩小到的宽度（像素），或保持原尺寸。</translation>
    </message>
    <message>
        <source>The quality of JPEG, WebP and AVIF outputs. Its lowest step, 0, reads &quot;default&quot; and leaves the quality to the writer; 1 to 100 set it.</source>
        <translation>JPEG、WebP 和 AVIF 输出的质量。最低一档 0 显示为“默认”，由编码器自行决定质量；1 到 100 则指定质量。</translation>
    </message>
    <message>
        <source>Batch status</source>
        <translation>批量处理状态</translation>
    </message>
    <message>
        <source>How far the conversion is, and the photo being converted.</source>
        <translation>转换的进度，以及正在转换的照片。</translation>
    </message>
</context>
<context>
    <name>ClipboardPicture</name>
    <message>
        <source>the clipboard holds no picture</source>
        <translation>剪贴板中没有图片</translation>
    </message>
</context>
<context>
    <name>DlgLoading</name>
    <message>
        <source>Working</source>
        <translation>请稍候</translation>
    </message>
    <message>
        <source>The window takes input again when this is done.</source>
        <translation>完成后窗口将重新接受输入。</translation>
    </message>
</context>
<context>
    <name>Glassmere</name>
    <message>
        <source>Common Formats</source>
        <translation>常用格式</translation>
    </message>
    <message>
        <source>Load a photo</source>
        <translation>载入照片</translation>
    </message>
    <message>
        <source>Failure</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Photo loads error.</source>
        <translation>照片载入出错。</translation>
    </message>
    <message>
        <source>Export Reflection Phone</source>
        <translation>导出倒影照片</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Reflection photo has been exported.</source>
        <translation>倒影照片已导出。</translation>
    </message>
    <message>
        <source>Failed to export reflection photo.</source>
        <translation>倒影照片导出失败。</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>The help manual is missing: %1</source>
        <translation>缺少帮助手册：%1</translation>
    </message>
    <message>
        <source>Not enough memory to render the reflection photo.</source>
        <translation>内存不足，无法生成倒影照片。</translation>
    </message>
    <message>
        <source>Select a photo where the folder</source>
        <translation>选择照片所在的文件夹</translation>
    </message>
    <message>
        <source>Select a folder to save processing results.</source>
        <translation>选择保存处理结果的文件夹。</translation>
    </message>
    <message>
        <source>Selected directory error.</source>
        <translation>所选文件夹有误。</translation>
    </message>
    <message>
        <source>The target directory is the source directory. The source pictures are never written over: choose another target directory.</source>
        <translation>目标文件夹与源文件夹相同。源图片绝不会被覆盖：请选择其他目标文件夹。</translation>
    </message>
    <message>
        <source>&quot;%1&quot; would replace the source picture &quot;%2&quot;. The source pictures are never written over: choose another target directory.</source>
        <translation>“%1”会替换源图片“%2”。源图片绝不会被覆盖：请选择其他目标文件夹。</translation>
    </message>
    <message>
        <source>%1: cannot be read (%2)</source>
        <translation>%1：无法读取（%2）</translation>
    </message>
    <message>
        <source>%1: cannot be rendered (%2)</source>
        <translation>%1：无法生成（%2）</translation>
    </message>
    <message>
        <source>%1: %2 cannot be written (%3)</source>
        <translation>%1：无法写入 %2（%3）</translation>
    </message>
    <message>
        <source>%1 of %2 pictures could not be converted:</source>
        <translation>%2 张图片中有 %1 张无法转换：</translation>
    </message>
    <message>
        <source>and %1 more.</source>
        <translation>以及另外 %1 张。</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>所有文件</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>导出结果</translation>
    </message>
    <message>
        <source>Load a photo first.</source>
        <translation>请先载入一张照片。</translation>
    </message>
    <message>
        <source>%1: only %2 keep the transparency; choose one of them.</source>
        <translation>%1：只有 %2 能保留透明度，请选择其中之一。</translation>
    </message>
    <message>
        <source>%1 is the loaded photo; the source photo is never written over.</source>
        <translation>%1 是已载入的照片；源照片永远不会被覆盖。</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>正在停止……</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 pictures; the other %3 were not converted.</source>
        <translation>已在 %2 张图片中的第 %1 张后停止；其余 %3 张未转换。</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>Converted %1 of %2 pictures into %3, then stopped; the other %4 were not converted.</source>
        <translation>已将 %2 张图片中的 %1 张转换到 %3，随后停止；其余 %4 张未转换。</translation>
    </message>
    <message>
        <source>Converted 1 picture into %1.</source>
        <translation>已将 1 张图片转换到 %1。</translation>
    </message>
    <message>
        <source>Converted %1 pictures into %2.</source>
        <translation>已将 %1 张图片转换到 %2。</translation>
    </message>
    <message numerus="yes">
        <source>%n dropped photos</source>
        <translation>
            <numerusform>%n 张拖入的照片</numerusform>
        </translation>
    </message>
    <message>
        <source>default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>JPEG, WebP and AVIF: a higher quality keeps more detail in a larger file; &quot;default&quot; is the writer&apos;s own.</source>
        <translation>JPEG、WebP 和 AVIF：质量越高，保留的细节越多，文件也越大；“默认”即编码器自身的设置。</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>质量(&amp;Q)：</translation>
    </message>
    <message>
        <source>Leave out the photo &amp;information (camera, date, place, colour profile)</source>
        <translation>不保留照片信息(&amp;I)（相机、日期、地点、色彩配置文件）</translation>
    </message>
    <message>
        <source>The target directory lies inside the source directory. With subfolders included, choose a target directory outside it.</source>
        <translation>目标目录位于源目录之内。包含子文件夹时，请选择源目录之外的目标目录。</translation>
    </message>
    <message>
        <source>Copy Result</source>
        <translation>复制结果</translation>
    </message>
    <message>
        <source>full size</source>
        <translation>原尺寸</translation>
    </message>
    <message>
        <source> px</source>
        <translation> 像素</translation>
    </message>
    <message>
        <source>Scale the result down to this width in pixels, keeping its shape; never up. &quot;full size&quot; keeps the size.</source>
        <translation>将结果按比例缩小到此宽度（像素），绝不放大。“原尺寸”保持尺寸不变。</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>宽度(&amp;W):</translation>
    </message>
    <message>
        <source>Saving the photo</source>
        <translation>正在保存照片</translation>
    </message>
    <message>
        <source>Rendering the reflection</source>
        <translation>正在生成倒影</translation>
    </message>
    <message>
        <source>%1 of %2 converted; now %3</source>
        <translation>已转换 %1 / %2；当前 %3</translation>
    </message>
    <message>
        <source>Pasted picture</source>
        <translation>粘贴的图片</translation>
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
        <translation>逐张</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>源文件</translation>
    </message>
    <message>
        <source>Export Result</source>
        <translation>导出结果</translation>
    </message>
    <message>
        <source>all-at-once</source>
        <translation>批量</translation>
    </message>
    <message>
        <source>Source Directory</source>
        <translation>源文件夹</translation>
    </message>
    <message>
        <source>Target Directory</source>
        <translation>目标文件夹</translation>
    </message>
    <message>
        <source>batch processing</source>
        <translation>批量处理</translation>
    </message>
    <message>
        <source>Reflection Setting</source>
        <translation>倒影设置</translation>
    </message>
    <message>
        <source>Direction:</source>
        <translation>方向：</translation>
    </message>
    <message>
        <source>Top Reflection</source>
        <translation>上方倒影</translation>
    </message>
    <message>
        <source>Left Reflection</source>
        <translation>左侧倒影</translation>
    </message>
    <message>
        <source>Right Reflection</source>
        <translation>右侧倒影</translation>
    </message>
    <message>
        <source>Bottom Reflection</source>
        <translation>下方倒影</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>大小：</translation>
    </message>
    <message>
        <source>Depth:</source>
        <translation>深度：</translation>
    </message>
    <message>
        <source>Color:</source>
        <translation>颜色：</translation>
    </message>
    <message>
        <source>Transparence</source>
        <translation>透明</translation>
    </message>
    <message>
        <source>Set reflection color.</source>
        <translation>设置倒影颜色。</translation>
    </message>
    <message>
        <source>Help Manual</source>
        <translation>帮助手册</translation>
    </message>
    <message>
        <source>&amp;Check for New Version</source>
        <translation>检查新版本(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Visit Our Web Site</source>
        <translation>访问我们的网站(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Stop after the pictures being converted now</source>
        <translation>转换完当前图片后停止</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>&amp;Quality:</source>
        <translation>质量(&amp;Q)：</translation>
    </message>
    <message>
        <source>JPEG, WebP and AVIF: a higher quality keeps more detail in a larger file; &quot;default&quot; is the writer&apos;s own.</source>
        <translation>JPEG、WebP 和 AVIF：质量越高，保留的细节越多，文件也越大；“默认”即编码器自身的设置。</translation>
    </message>
    <message>
        <source>default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Convert the pictures of every folder below the source directory too, each into the same subfolder of the target directory</source>
        <translation>同时转换源目录下每个文件夹中的图片，各自保存到目标目录中对应的子文件夹</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>包含子文件夹</translation>
    </message>
    <message>
        <source>Preset:</source>
        <translation>预设：</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>宽度(&amp;W):</translation>
    </message>
    <message>
        <source>Scale each result down to this width in pixels, keeping its shape; never up. &quot;full size&quot; keeps the size.</source>
        <translation>将每个结果按比例缩小到此宽度（像素），绝不放大。“原尺寸”保持尺寸不变。</translation>
    </message>
    <message>
        <source>full size</source>
        <translation>原尺寸</translation>
    </message>
    <message>
        <source> px</source>
        <translation> 像素</translation>
    </message>
    <message>
        <source>Convert the loaded photo, with a live preview of its reflection.</source>
        <translation>转换已载入的照片，并实时预览其倒影。</translation>
    </message>
    <message>
        <source>Convert every photo of a folder at once with the same settings.</source>
        <translation>用相同的设置一次转换文件夹中的所有照片。</translation>
    </message>
    <message>
        <source>Interval:</source>
        <translation>间距：</translation>
    </message>
    <message>
        <source>Opacity:</source>
        <translation>不透明度：</translation>
    </message>
    <message>
        <source>Blur:</source>
        <translation>模糊：</translation>
    </message>
    <message>
        <source>Show the original photo (or hold the \ key)</source>
        <translation>显示原始照片（或按住 \ 键）</translation>
    </message>
</context>
<context>
    <name>PresetPanel</name>
    <message>
        <source>Choose a preset</source>
        <translation>选择预设</translation>
    </message>
    <message>
        <source>The preset &quot;%1&quot; cannot be used.</source>
        <translation>无法使用预设“%1”。</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>保存预设</translation>
    </message>
    <message>
        <source>Name of the preset:</source>
        <translation>预设名称：</translation>
    </message>
    <message>
        <source>The preset cannot be saved.</source>
        <translation>无法保存预设。</translation>
    </message>
    <message>
        <source>A preset named &quot;%1&quot; exists already. Replace it?</source>
        <translation>名为“%1”的预设已存在。要替换吗？</translation>
    </message>
    <message>
        <source>Delete Preset</source>
        <translation>删除预设</translation>
    </message>
    <message>
        <source>Delete the preset &quot;%1&quot;?</source>
        <translation>删除预设“%1”？</translation>
    </message>
    <message>
        <source>The preset &quot;%1&quot; cannot be deleted.</source>
        <translation>无法删除预设“%1”。</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source>Email:</source>
        <translation>电子邮件：</translation>
    </message>
</context>
<context>
    <name>aboutClass</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
</TS>
